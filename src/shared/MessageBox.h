#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// Every message of the program goes through ShowMessage: one modal box, a code or the
// application title as its caption, a fixed text. The front end installs the presenter that
// shows it (the window program a message box, a command line its own lines); tests install a
// recorder.
enum class MsgButtons { Ok, OkCancel };
enum class MsgIcon { None, Exclamation };
enum class MsgResult { Ok, Cancel };

struct MessageRow;

// `row` is the message table's row the box comes from (ShowMessage(const MessageRow&) passes
// it), or none for a question.
MsgResult ShowMessage(const QString& text, const QString& title, MsgButtons buttons = MsgButtons::Ok,
                      MsgIcon icon = MsgIcon::None, const MessageRow* row = nullptr);

// A presenter hears the table's row a box comes from as well (none for a question), so that a
// front end can tell which message it shows without reading its words.
using MessagePresenter =
    std::function<MsgResult(const QString& text, const QString& title, MsgButtons, MsgIcon, const MessageRow* row)>;

// Installs the presenter. Without one a message goes to the log and a question is answered
// Cancel, so that nothing is erased on a question nobody saw.
void SetMessagePresenter(MessagePresenter presenter);

