#include "shared/MessageBox.h"

#include "shared/Messages.h"

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

MsgResult ShowMessage(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon)
{
    ShownMessage& shown = latest();
    ++shown.number;
    shown.title = title;
    if (presenter())
        return presenter()(text, title, buttons, icon);
    qWarning().noquote() << title << text;
    return MsgResult::Cancel;
}

void ShowOpenError(const QString& text)
{
    ShowMessage(text, QString::fromLatin1(Msg::kOpenError), MsgButtons::Ok, MsgIcon::Exclamation);
}

void SetMessagePresenter(MessagePresenter p)
{
    presenter() = std::move(p);
}

ShownMessage LatestMessage()
{
    return latest();
}
