#pragma once

#include <QString>

#include <functional>

// Every message of the program goes through ShowMessage: one modal box, a code or the
// application title as its caption, a fixed text. Tests replace the presenter with a recorder.
enum class MsgButtons { Ok, OkCancel };
enum class MsgIcon { None, Exclamation };
enum class MsgResult { Ok, Cancel };

MsgResult ShowMessage(const QString& text, const QString& title, MsgButtons buttons = MsgButtons::Ok,
                      MsgIcon icon = MsgIcon::None);

using MessagePresenter =
    std::function<MsgResult(const QString& text, const QString& title, MsgButtons, MsgIcon)>;

// Installs a presenter in place of the real message box; an empty one restores the real box.
void SetMessagePresenter(MessagePresenter presenter);
