#pragma once

#include "shared/MessageBox.h"

// The window program's presenter: a modal message box over the active window, OK (and
// "キャンセル" for a question) as its buttons.
MsgResult ShowMessageBox(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon,
                         const MessageRow* row = nullptr);

// Makes ShowMessageBox the presenter of every message.
void InstallMessageBoxPresenter();
