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

using MessagePresenter =
    std::function<MsgResult(const QString& text, const QString& title, MsgButtons, MsgIcon)>;

// Installs the presenter. Without one a message goes to the log and a question is answered
// Cancel, so that nothing is erased on a question nobody saw.
void SetMessagePresenter(MessagePresenter presenter);

// The latest message shown and how many were shown before it and it: a step that failed
// after a message of its own can tell which one it ended with.
struct ShownMessage {
    uint64_t number = 0; // 0 before the first message
    QString title;
    const MessageRow* row = nullptr; // the table's row it was shown from, if any
};
ShownMessage LatestMessage();
