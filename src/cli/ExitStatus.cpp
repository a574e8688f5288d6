#include "cli/ExitStatus.h"

#include "shared/MessageTable.h"

namespace cli {

namespace {

// The row a message came from. A code given without its text (a report names only the code)
// takes the first row of that code; a message without a code of its own ("既に起動しています")
// may stand as its own code.
const MessageRow* rowOf(const QString& code, const QString& text)
{
    if (const MessageRow* row = FindMessageRow(code, text))
        return row;
    for (const MessageRow* row : Messages::kTable)
        if (QString::fromUtf8(row->code) == code || (row->text != nullptr && QString::fromUtf8(row->text) == code))
            return row;
    return nullptr;
}

} // namespace

int ExitStatusFor(const QString& code, const QString& text)
{
    const MessageRow* row = rowOf(code, text);
    // A code the table does not know still stopped the run: never report it as done.
    return row ? row->exitStatus : Exit::kGarbled;
}

QString HintFor(const QString& code, const QString& text)
{
    const MessageRow* row = rowOf(code, text);
    // The port layer's own text already names the device, the reason and the fix.
    if (row == nullptr || row->text == nullptr || row->hint == nullptr)
        return QString();
    QString hint = QString::fromUtf8(row->hint);
    hint.remove(QLatin1Char('`')); // the table's markup, not the terminal's
    return hint;
}

} // namespace cli
