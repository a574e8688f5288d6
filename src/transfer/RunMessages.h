#pragma once

#include "shared/MessageBox.h"

// The run's faults show rows of the message table (shared/MessageTable.h); only its questions
// before pages are erased are built here, from the page plan: true for OK.
inline bool AskToErase(const QString& text, const QString& title)
{
    return ShowMessage(text, title, MsgButtons::OkCancel) == MsgResult::Ok;
}
