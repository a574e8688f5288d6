#pragma once

#include "shared/MessageBox.h"
#include "shared/Messages.h"

// A fault of the run: the fixed text under its code, OK button, no icon.
inline void ShowFault(const QString& text, const char* code)
{
    ShowMessage(text, QString::fromLatin1(code));
}

inline void ShowFault(const char* text, const char* code)
{
    ShowFault(QString::fromUtf8(text), code);
}

// An "OPEN ERROR" box: the port or the file cannot be opened.
inline void ShowOpenError(const char* text)
{
    ShowMessage(QString::fromUtf8(text), QString::fromLatin1(Msg::kOpenError), MsgButtons::Ok, MsgIcon::Exclamation);
}
