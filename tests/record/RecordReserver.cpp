// record_reserver WHERE PRODUCT FIRST COUNT: reserves COUNT numbers of the rule FIRST, FIRST+1, …
// one after another, each marked done, and prints each on a line of its own.
// record_reserver WHERE PRODUCT FIRST hold: reserves one number, prints it, and holds it until
// the process is killed.
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
    if (args.size() != 5)
        return fail(QStringLiteral("usage: record_reserver WHERE PRODUCT FIRST COUNT|hold"));
    const QString& product = args[2];
    const record::NumberRange range{args[3].toULongLong(), 1, 1'000'000'000};
    const bool hold = args[4] == QLatin1String("hold");
    const int count = hold ? 1 : args[4].toInt();
    QString reason;
    const std::unique_ptr<record::Record> rec = record::Record::Open(args[1], &reason);
    if (!rec)
        return fail(reason);
    for (int n = 0; n < count; ++n) {
        const record::Reservation reservation = rec->Reserve(product, range);
        if (!reservation.serial)
            return fail(reservation.reason);
        std::printf("%llu\n", static_cast<unsigned long long>(*reservation.serial));
        std::fflush(stdout);
        if (hold)
            for (;;)
                ::pause();
        if (!rec->Finish(product, *reservation.serial, true, &reason))
            return fail(reason);
    }
    return 0;
}
