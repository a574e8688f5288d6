#pragma once

#include "shared/MessageBox.h"
#include "shared/Messages.h"

// Every message and question of the run goes through these.

// A fault of the run: the fixed text under its code, OK button, no icon.
inline void ShowFault(const QString& text, const char* code)
{
    ShowMessage(text, QString::fromLatin1(code));
}

// An "OPEN ERROR" box: the port or the file cannot be opened.
inline void ShowOpenError(const char* text)
{
    ShowOpenError(QString::fromUtf8(text));
}

// A question before pages are erased: true for OK.
inline bool AskToErase(const QString& text, const QString& title)
{
    return ShowMessage(text, title, MsgButtons::OkCancel) == MsgResult::Ok;
}
