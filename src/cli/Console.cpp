#include "cli/Console.h"

#include "shared/MessageTable.h"
#include "transfer/RunValues.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace cli {

QString HintOf(const MessageRow* row)
{
    // The port layer's own text already names the device, the reason and the fix.
    if (row == nullptr || row->text == nullptr || row->hint == nullptr)
        return QString();
    QString hint = QString::fromUtf8(row->hint);
    hint.remove(QLatin1Char('`')); // the table's markup, not the terminal's
    return hint;
}

QString MessageLine(const MessageRow* row, const QString& title, const QString& text)
{
    static const QRegularExpression lineBreaks(QStringLiteral("\r\n|\r|\n"));
    QString flat = text;
    flat.replace(lineBreaks, QStringLiteral(" "));
    QString line = title + QStringLiteral(": ") + flat;
    const QString hint = HintOf(row);
    if (!hint.isEmpty())
        line += QStringLiteral(" -- ") + hint;
    return line;
}

bool AnswerQuestion(const QString& title, const QString& text, const QuestionPolicy& policy, QTextStream& err)
{
    const QString prompt = title + QStringLiteral(": ") + text + QStringLiteral(" [y/N] ");
    if (policy.yes) {
        err << prompt << "y (--yes)\n";
        err.flush();
        return true;
    }
    if (!policy.terminal || !policy.readAnswer) {
        err << prompt << "n (no terminal to ask on; --yes answers OK)\n";
        err.flush();
        return false;
    }
    err << prompt;
    err.flush();
    const std::optional<QString> answer = policy.readAnswer();
    if (!answer) {
        err << "\n";
        err.flush();
        return false;
    }
    const QString word = answer->trimmed().toLower();
    return word == QLatin1String("y") || word == QLatin1String("yes");
}

int64_t BlockBytesFor(int32_t maximum)
{
    return static_cast<int64_t>(SendEndOf(std::max(maximum, 1))) + 1;
}

namespace {

QString duration(double seconds)
{
    const auto whole = static_cast<int64_t>(std::llround(std::max(seconds, 0.0)));
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

double rateOf(const ProgressSnapshot& p)
{
    return p.seconds > 0 ? static_cast<double>(p.sent) / p.seconds : 0;
}

QString prefixed(const QString& label, const QString& line)
{
    return label.isEmpty() ? line : label + QStringLiteral(" ") + line;
}

} // namespace

QString LiveProgressLine(const QString& label, const ProgressSnapshot& p, int barWidth)
{
    const int percent = std::clamp(p.percent, 0, 100);
    const int filled = percent * barWidth / 100;
    const QString bar = QStringLiteral("[") + QString(filled, QLatin1Char('#')) +
                        QString(barWidth - filled, QLatin1Char('.')) + QStringLiteral("]");
    const double rate = rateOf(p);
    const QString left = rate > 0 ? duration(static_cast<double>(std::max<int64_t>(p.total - p.sent, 0)) / rate)
                                  : QStringLiteral("-:--");
    return prefixed(label, QStringLiteral("%1 %2% %3/%4 B %5 B/s %6 left")
                               .arg(bar)
                               .arg(percent, 3)
                               .arg(p.sent)
                               .arg(p.total)
                               .arg(static_cast<int64_t>(std::llround(rate)))
                               .arg(left));
}

QString StepProgressLine(const QString& label, const ProgressSnapshot& p)
{
    return prefixed(label, QStringLiteral("%1% %2 of %3 bytes, %4 B/s")
                               .arg(p.percent)
                               .arg(p.sent)
                               .arg(p.total)
                               .arg(static_cast<int64_t>(std::llround(rateOf(p)))));
}

ProgressPrinter::ProgressPrinter(QTextStream& err, bool terminal, std::function<double()> clock, QString label)
    : err_(err), terminal_(terminal), clock_(std::move(clock)), label_(std::move(label))
{
}

ProgressSnapshot ProgressPrinter::snapshot() const
{
    return {sent_, total_, percent_, clock_() - started_};
}

void ProgressPrinter::Start(int32_t maximum)
{
    started_ = clock_();
    total_ = BlockBytesFor(maximum);
    sent_ = 0;
    percent_ = 0;
    nextStep_ = 10;
    if (terminal_) {
        live_ = true;
        Redraw();
    }
}

void ProgressPrinter::Show(int32_t position, int percent)
{
    sent_ = std::min<int64_t>(position, total_);
    percent_ = percent;
    if (terminal_) {
        live_ = true;
        Redraw();
        return;
    }
    if (percent_ < nextStep_)
        return;
    // One line for the step reached, however many steps one block crossed.
    nextStep_ = (percent_ / 10 + 1) * 10;
    err_ << StepProgressLine(label_, snapshot()) << '\n';
    err_.flush();
}

void ProgressPrinter::Redraw()
{
    if (!live_)
        return;
    err_ << '\r' << LiveProgressLine(label_, snapshot()) << "\x1b[K";
    err_.flush();
}

void ProgressPrinter::Interrupt()
{
    if (!live_)
        return;
    err_ << "\r\x1b[K";
    err_.flush();
}

void ProgressPrinter::Finish()
{
    if (!live_)
        return;
    Redraw();
    err_ << '\n';
    err_.flush();
    live_ = false;
}

QString TraceLine(const QTime& at, double elapsed, SessionFront::TraceKind kind, const QString& detail)
{
    const char* name = "";
    switch (kind) {
    case SessionFront::TraceKind::Sent: name = "sent"; break;
    case SessionFront::TraceKind::Received: name = "received"; break;
    case SessionFront::TraceKind::Speed: name = "speed"; break;
    case SessionFront::TraceKind::Wait: name = "wait"; break;
    case SessionFront::TraceKind::Block: name = "block"; break;
    case SessionFront::TraceKind::Port: name = "port"; break;
    }
    return QStringLiteral("%1 +%2 %3 %4")
        .arg(at.toString(QStringLiteral("HH:mm:ss.zzz")))
        .arg(elapsed, 0, 'f', 3)
        .arg(QLatin1String(name), -8)
        .arg(detail);
}

} // namespace cli
