#include "shared/MessageBox.h"

#include <QDebug>

namespace {

MessagePresenter& presenter()
{
    static MessagePresenter instance;
    return instance;
}

} // namespace

MsgResult ShowMessage(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon,
                      const MessageRow* row)
{
    if (presenter())
        return presenter()(text, title, buttons, icon, row);
    qWarning().noquote() << title << text;
    return MsgResult::Cancel;
}

void SetMessagePresenter(MessagePresenter p)
{
    presenter() = std::move(p);
}
