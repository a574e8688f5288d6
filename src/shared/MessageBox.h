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

MsgResult ShowMessage(const QString& text, const QString& title, MsgButtons buttons = MsgButtons::Ok,
                      MsgIcon icon = MsgIcon::None);

// An "OPEN ERROR" box: a port or a file that cannot be opened, with the exclamation icon.
void ShowOpenError(const QString& text);

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
};
ShownMessage LatestMessage();
