#pragma once

// The production record: which serial number went to which target, across every station that
// shares it, and one row per run. A number goes to at most one target, ever: it is reserved in a
// committed transaction before the run's first block, marked done or void after, and a
// reservation whose process is gone becomes void, never to be given again. The database's unique
// key on (product, serial) is what makes a number unique, whatever number of processes and
// stations reserve at once.
//
// One Record is one connection: use it from the thread that opened it.

#include <QJsonObject>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace record {

// The numbers a serial rule may give: first, first+step, … not past last. Numbers up to 2^63-1:
// both databases store them as signed 64-bit integers.
struct NumberRange { quint64 first = 0; quint64 step = 1; quint64 last = 0; };
// What plan shows: the number the next reservation would get, and how many are left with it.
struct Outlook { std::optional<quint64> next; quint64 left = 0; }; // next nullopt: used up
struct Reservation { std::optional<quint64> serial; bool usedUp = false; QString reason; };
struct Span { quint64 from = 0, to = 0; };             // consecutive numbers of the rule
struct ImageCounts { QString product; QString fileSha256; int done = 0, stopped = 0, cancelled = 0; };
struct ProductSerials { QString product; QList<Span> done, voided, reserved; };
struct Summary { QList<ImageCounts> images; QList<ProductSerials> serials; };

class Record {
public:
    ~Record();
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    // Opens `where` (see RecordLocation), creates the schema on first use, and voids this
    // station's reservations whose process is gone. nullptr with `reason` when it cannot.
    static std::unique_ptr<Record> Open(const QString& where, QString* reason);
    // $XDG_DATA_HOME/Corvane-Host/record.sqlite (default ~/.local/share); Open makes the folder.
    static QString DefaultPath();

    std::optional<Outlook> Look(const QString& product, const NumberRange& range, QString* reason);
    // The product's next number, committed as reserved by this station and process before it returns.
    Reservation Reserve(const QString& product, const NumberRange& range);
    // done or void; only a number this process reserved and still holds reserved.
    bool Finish(const QString& product, quint64 serial, bool done, QString* reason);
    // One run's row from the log's record (a JSON object; absent or null fields allowed).
    bool AddRun(const QJsonObject& logRecord, QString* reason);
    std::optional<Summary> Summarize(QString* reason);

private:
    struct Connection;
    explicit Record(std::unique_ptr<Connection> connection);
    bool voidAbandoned(QString* reason);

    std::unique_ptr<Connection> connection_;
};

} // namespace record
