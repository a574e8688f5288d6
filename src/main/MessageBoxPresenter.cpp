#include "main/MessageBoxPresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

MsgResult ShowMessageBox(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon, const MessageRow*)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(icon == MsgIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    if (buttons == MsgButtons::OkCancel) {
        QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }
    box.exec();
    return box.clickedButton() == ok ? MsgResult::Ok : MsgResult::Cancel;
}

void InstallMessageBoxPresenter()
{
    SetMessagePresenter(ShowMessageBox);
}
