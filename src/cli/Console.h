#pragma once

// How corvane-flash talks on standard error: message lines, questions, progress and trace lines.

#include "cli/FlashSession.h"

#include <QString>
#include <QTextStream>
#include <QTime>

#include <functional>
#include <optional>

namespace cli {

// The English hint printed after a message of the table's row; empty when there is none.
QString HintOf(const MessageRow* row);
// One message as one line: its title (the code) and text as they stand (line breaks become
// blanks), then the English hint of its row when there is one.
QString MessageLine(const MessageRow* row, const QString& title, const QString& text);

// The erase questions. With --yes the answer is OK; with no terminal to ask on it is Cancel;
// on a terminal "title: text [y/N] " is asked and "y" or "yes" (any letter case) means OK.
struct QuestionPolicy {
    bool yes = false;
    bool terminal = false;                               // standard input is a terminal
    std::function<std::optional<QString>()> readAnswer;  // one line from the terminal, nullopt at its end
};
bool AnswerQuestion(const QString& title, const QString& text, const QuestionPolicy& policy, QTextStream& err);

// Progress of one unit's blocks.
struct ProgressSnapshot {
    int64_t sent = 0;    // bytes accepted so far
    int64_t total = 0;   // bytes the blocks will carry
    int percent = 0;
    double seconds = 0;  // since the first block
};
// The bytes the blocks carry for a bar maximum (the data's last address, at least 1): the
// image goes out in whole send units.
int64_t BlockBytesFor(int32_t maximum);
// The live line on a terminal: bar, percentage, bytes sent of total, bytes per second, time left.
QString LiveProgressLine(const QString& label, const ProgressSnapshot& p, int barWidth = 24);
// A plain line, written at every 10 % when standard error is no terminal.
QString StepProgressLine(const QString& label, const ProgressSnapshot& p);

// Draws one unit's progress: a live line redrawn in place on a terminal, else a line whenever
// the percentage reaches the next multiple of 10.
class ProgressPrinter {
public:
    ProgressPrinter(QTextStream& err, bool terminal, std::function<double()> clock, QString label = {});
    void Start(int32_t maximum);
    void Show(int32_t position, int percent);
    // Ends the live line so that later output starts on a line of its own.
    void Finish();
    // Clears a live line before a message is written, so that the message stands alone.
    void Interrupt();
    void Redraw();

private:
    ProgressSnapshot snapshot() const;
    QTextStream& err_;
    bool terminal_;
    std::function<double()> clock_;
    QString label_;
    double started_ = 0;
    int64_t total_ = 0, sent_ = 0;
    int percent_ = 0;
    int nextStep_ = 10;
    bool live_ = false;
};

// "HH:mm:ss.zzz +seconds kind detail".
QString TraceLine(const QTime& at, double elapsed, SessionFront::TraceKind kind, const QString& detail);

} // namespace cli
