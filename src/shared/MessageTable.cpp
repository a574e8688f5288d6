#include "shared/MessageTable.h"

namespace {

const QString kErrPrefix = QStringLiteral("ERR ");

bool sameMeaning(const MessageRow& a, const MessageRow& b)
{
    return QString::fromUtf8(a.arises) == QString::fromUtf8(b.arises) &&
           QString::fromUtf8(a.hint) == QString::fromUtf8(b.hint);
}

} // namespace

QString MessageText(const MessageRow& row, const QString& prefix)
{
    return row.text != nullptr ? prefix + QString::fromUtf8(row.text) : prefix;
}

MsgResult ShowMessage(const MessageRow& row, const QString& prefix)
{
    return ShowMessage(MessageText(row, prefix), QString::fromUtf8(row.code), row.buttons, row.icon, &row);
}

int StatusOfStop(const MessageRow* row)
{
    return row != nullptr && row->exitStatus != Exit::kDone ? row->exitStatus : Exit::kGarbled;
}

QString MessageTableMarkdown()
{
    QString table = QStringLiteral("| Code | Meaning | What to do |\n|---|---|---|\n");
    const auto& rows = Messages::kTable;
    for (size_t i = 0; i < std::size(rows);) {
        QString names = QString::fromUtf8(rows[i]->name);
        size_t next = i + 1;
        if (names.startsWith(kErrPrefix)) {
            for (; next < std::size(rows) && QString::fromUtf8(rows[next]->name).startsWith(kErrPrefix) &&
                   sameMeaning(*rows[i], *rows[next]);
                 ++next)
                names += QStringLiteral(", ") + QString::fromUtf8(rows[next]->name).mid(kErrPrefix.size());
        }
        table += QStringLiteral("| %1 | %2 | %3 |\n")
                     .arg(names, QString::fromUtf8(rows[i]->arises), QString::fromUtf8(rows[i]->hint));
        i = next;
    }
    return table;
}
