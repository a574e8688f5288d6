#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

MessageRecorder::MessageRecorder()
{
    SetMessagePresenter([this](const QString& text, const QString& title, MsgButtons b, MsgIcon i, const MessageRow*) {
        return present(text, title, b, i);
    });
}

MessageRecorder::~MessageRecorder()
{
    SetMessagePresenter(nullptr);
    for (const Expected& e : expected_)
        ADD_FAILURE() << "expected message box never shown: " << e.title.toStdString() << " "
                      << e.text.toStdString();
}

MessageRecorder& MessageRecorder::Expect(const QString& title, const QString& text, MsgResult answer)
{
    expected_.push_back({title, text, answer});
    return *this;
}

MessageRecorder& MessageRecorder::Allow(const QString& title)
{
    allowed_.append(title);
    return *this;
}

QStringList MessageRecorder::titles() const
{
    QStringList list;
    for (const Shown& s : shown_)
        list.append(s.title);
    return list;
}

MsgResult MessageRecorder::present(const QString& text, const QString& title, MsgButtons buttons,
                                   MsgIcon icon)
{
    shown_.push_back({title, text, buttons, icon});
    if (!expected_.empty() && expected_.front().title == title) {
        const Expected e = expected_.front();
        expected_.pop_front();
        if (!e.text.isNull()) {
            EXPECT_EQ(e.text.toStdString(), text.toStdString()) << "text of box " << title.toStdString();
        }
        return e.answer;
    }
    if (allowed_.contains(title))
        return MsgResult::Ok;
    ADD_FAILURE() << "unexpected message box: " << title.toStdString() << " / " << text.toStdString();
    return MsgResult::Ok;
}
