// One row per run, and the summary the record command shows.
#include "RecordTestBase.h"

#include "record/ProcessIdentity.h"
#include "record/RecordLocation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

QJsonObject run(const char* product, const char* fileSha256, const char* result)
{
    return {{QStringLiteral("product"), QString::fromLatin1(product)},
            {QStringLiteral("file_sha256"), QString::fromLatin1(fileSha256)},
            {QStringLiteral("result"), QString::fromLatin1(result)}};
}

class RecordRuns : public RecordBackendTest {};

TEST_P(RecordRuns, SummaryCountsRunsPerImageAndSpansSerialsPerProduct)
{
    const std::unique_ptr<record::Record> rec = OpenRecord();
    ASSERT_TRUE(rec);
    QString reason;
    for (const QJsonObject& row : {run("board", "aa", "done"), run("board", "aa", "done"), run("board", "aa", "stopped"),
                                   run("board", "bb", "cancelled"), run("panel", "aa", "done")})
        ASSERT_TRUE(rec->AddRun(row, &reason)) << reason.toStdString();
    // board: 1 2 done, 3 void, 4 done, 5 reserved; panel by twos: 10 12 14 done.
    const bool boardEndings[] = {true, true, false, true};
    for (bool done : boardEndings) {
        const std::optional<quint64> serial = rec->Reserve(QStringLiteral("board"), {1, 1, 100}).serial;
        ASSERT_TRUE(serial);
        ASSERT_TRUE(rec->Finish(QStringLiteral("board"), *serial, done, &reason)) << reason.toStdString();
    }
    ASSERT_TRUE(rec->Reserve(QStringLiteral("board"), {1, 1, 100}).serial);
    for (int n = 0; n < 3; ++n) {
        const std::optional<quint64> serial = rec->Reserve(QStringLiteral("panel"), {10, 2, 100}).serial;
        ASSERT_TRUE(serial);
        ASSERT_TRUE(rec->Finish(QStringLiteral("panel"), *serial, true, &reason)) << reason.toStdString();
    }

    const std::optional<record::Summary> summary = rec->Summarize(&reason);
    ASSERT_TRUE(summary) << reason.toStdString();
    ASSERT_EQ(summary->images.size(), 3);
    const auto counts = [](const record::ImageCounts& c) {
        return std::make_tuple(c.product, c.fileSha256, c.done, c.stopped, c.cancelled);
    };
    EXPECT_EQ(counts(summary->images[0]), std::make_tuple(QStringLiteral("board"), QStringLiteral("aa"), 2, 1, 0));
    EXPECT_EQ(counts(summary->images[1]), std::make_tuple(QStringLiteral("board"), QStringLiteral("bb"), 0, 0, 1));
    EXPECT_EQ(counts(summary->images[2]), std::make_tuple(QStringLiteral("panel"), QStringLiteral("aa"), 1, 0, 0));

    const auto spans = [](const QList<record::Span>& list) {
        std::vector<std::pair<quint64, quint64>> pairs;
        for (const record::Span& s : list)
            pairs.emplace_back(s.from, s.to);
        return pairs;
    };
    using Pairs = std::vector<std::pair<quint64, quint64>>;
    ASSERT_EQ(summary->serials.size(), 2);
    EXPECT_EQ(summary->serials[0].product, QStringLiteral("board"));
    EXPECT_EQ(spans(summary->serials[0].done), (Pairs{{1, 2}, {4, 4}}));
    EXPECT_EQ(spans(summary->serials[0].voided), (Pairs{{3, 3}}));
    EXPECT_EQ(spans(summary->serials[0].reserved), (Pairs{{5, 5}}));
    EXPECT_EQ(spans(summary->serials[1].done), (Pairs{{10, 14}}));
}

TEST_P(RecordRuns, EveryFieldOfTheLogsRecordHasItsColumn)
{
    const std::unique_ptr<record::Record> rec = OpenRecord();
    ASSERT_TRUE(rec);
    const QByteArray log = R"({"start":"2026-12-10T01:00:00.000Z","end":"2026-12-10T01:00:02.500Z","host":"st1",
        "user":"op","device":"/dev/ttyUSB0","usb_serial":null,"port":"/dev/ttyUSB0","product":"board",
        "product_sha256":"p1","file":"/img/a.mot","file_sha256":"f1","image_sha256":"i1","format":"srec",
        "cpu":"3048F","cpu_code":12,"clock_hz":16000000,"page":"thru","speed":38400,"result":"done","code":null,
        "exit":0,"erased":[1,2],"blocks":64,"bytes":2112,"seconds":2.5,"fault":{"line":3},"pages":null,
        "serial":9223372036854775807})";
    QString reason;
    ASSERT_TRUE(rec->AddRun(QJsonDocument::fromJson(log).object(), &reason)) << reason.toStdString();
    ASSERT_TRUE(rec->AddRun({{QStringLiteral("page"), 2}, {QStringLiteral("serial"), 1.5}}, &reason)) << reason.toStdString();

    const QString connection = QStringLiteral("runs-check");
    {
        std::optional<record::Location> location = record::ParseLocation(where_, &reason);
        ASSERT_TRUE(location);
        std::optional<QSqlDatabase> db = record::Connect(*location, connection, &reason);
        ASSERT_TRUE(db) << reason.toStdString();
        QSqlQuery query(*db);
        ASSERT_TRUE(query.exec(QStringLiteral("SELECT started, user_name, usb_serial, cpu_code, clock_hz, page, "
                                              "exit_status, erased, seconds, fault, pages, serial, host "
                                              "FROM runs ORDER BY page DESC")));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toString(), QStringLiteral("2026-12-10T01:00:00.000Z"));
        EXPECT_EQ(query.value(1).toString(), QStringLiteral("op"));
        EXPECT_TRUE(query.value(2).isNull());
        EXPECT_EQ(query.value(3).toLongLong(), 12);
        EXPECT_EQ(query.value(4).toLongLong(), 16000000);
        EXPECT_EQ(query.value(5).toString(), QStringLiteral("thru"));
        EXPECT_EQ(query.value(6).toLongLong(), 0);
        EXPECT_EQ(query.value(7).toString(), QStringLiteral("[1,2]"));
        EXPECT_DOUBLE_EQ(query.value(8).toDouble(), 2.5);
        EXPECT_EQ(query.value(9).toString(), QStringLiteral("{\"line\":3}"));
        EXPECT_TRUE(query.value(10).isNull());
        EXPECT_EQ(query.value(11).toLongLong(), 9223372036854775807LL);
        EXPECT_EQ(query.value(12).toString(), QStringLiteral("st1"));
        // A record that tells little still makes its row, on this station; no serial is made up.
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(5).toString(), QStringLiteral("2"));
        EXPECT_TRUE(query.value(11).isNull());
        EXPECT_EQ(query.value(12).toString(), record::ThisProcess().station);
    }
    QSqlDatabase::removeDatabase(connection);
}

RECORD_ON_BOTH_BACKENDS(RecordRuns);

} // namespace
