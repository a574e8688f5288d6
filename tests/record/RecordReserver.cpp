// record_reserver WHERE PRODUCT FIRST: reserves one number of the rule FIRST, FIRST+1, …, prints
// it, and holds it until the process is killed.
#include "record/Record.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace {

int fail(const QString& reason)
{
    std::fprintf(stderr, "record_reserver: %s\n", qPrintable(reason));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return fail(QStringLiteral("usage: record_reserver WHERE PRODUCT FIRST"));
    const record::NumberRange range{args[3].toULongLong(), 1, 1'000'000'000};
    QString reason;
    const std::unique_ptr<record::Record> rec = record::Record::Open(args[1], &reason);
    if (!rec)
        return fail(reason);
    const record::Reservation reservation = rec->Reserve(args[2], range);
    if (!reservation.serial)
        return fail(reservation.reason);
    std::printf("%llu\n", static_cast<unsigned long long>(*reservation.serial));
    std::fflush(stdout);
    for (;;)
        ::pause();
}
