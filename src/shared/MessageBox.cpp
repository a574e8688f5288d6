#include "shared/MessageBox.h"

#include <QDebug>

namespace {

MessagePresenter& presenter()
{
    static MessagePresenter instance;
    return instance;
}

ShownMessage& latest()
{
    static ShownMessage instance;
    return instance;
}

} // namespace

MsgResult ShowMessage(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon,
                      const MessageRow* row)
{
    ShownMessage& shown = latest();
    ++shown.number;
    shown.title = title;
    shown.row = row;
    if (presenter())
        return presenter()(text, title, buttons, icon);
    qWarning().noquote() << title << text;
    return MsgResult::Cancel;
}

void SetMessagePresenter(MessagePresenter p)
{
    presenter() = std::move(p);
}

ShownMessage LatestMessage()
{
    return latest();
}
