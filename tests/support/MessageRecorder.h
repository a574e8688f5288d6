#pragma once

#include "shared/MessageBox.h"

#include <QString>
#include <QStringList>

#include <deque>

// Stands in for the message box during a test. Every box the test expects is queued with the
// button to press; any other box fails the test, and an expected box never shown fails it
// when the recorder goes out of scope.
class MessageRecorder {
public:
    struct Shown {
        QString title;
        QString text;
        MsgButtons buttons;
        MsgIcon icon;
    };

    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Expects the next box to carry this title (and text, when given) and presses `answer`.
    MessageRecorder& Expect(const QString& title, const QString& text = QString(),
                            MsgResult answer = MsgResult::Ok);
    // Lets any number of boxes with this title through (pressing OK), for noisy scenarios.
    MessageRecorder& Allow(const QString& title);

    const std::deque<Shown>& shown() const { return shown_; }
    QStringList titles() const;
    bool AllExpectedShown() const { return expected_.empty(); }

private:
    struct Expected {
        QString title;
        QString text;
        MsgResult answer;
    };

    MsgResult present(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon);

    std::deque<Expected> expected_;
    QStringList allowed_;
    std::deque<Shown> shown_;
};
