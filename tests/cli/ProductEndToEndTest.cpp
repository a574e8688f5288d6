// A product file through corvane-flash against simulated units: a gang writes every page of it
// into every unit, check compares what the units hold, and a faulty product touches no unit.
#include "FlashProcess.h"

#include "main/DeviceCatalogue.h"
#include "support/SimulatedUnit.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

class ProductCommand : public FlashProcessTest {
protected:
    // A product of pages 1 and 3, paths relative to the product file; `pin` adds the digest
    // of page 1's image as it is now.
    QString product(bool pin = false)
    {
        QDir(dir_.path()).mkdir(QStringLiteral("images"));
        const QString main = image("images/main.mot", 2000, 3);
        image("images/boot.mot", 5000, 9);
        QString text = QStringLiteral("name = \"Controller B, rev 3\"\nspeed = 38400\n"
                                      "[[page]]\npage = 3\nfile = \"images/boot.mot\"\ncpu = \"SH7045\"\nclock = 24.576\n"
                                      "[[page]]\npage = 1\nfile = \"images/main.mot\"\ncpu = \"3048F\"\nclock = 16.0\n");
        if (pin)
            text += QStringLiteral("sha256 = \"%1\"\n").arg(sha256Of(main));
        QFile file(dir_.filePath(QStringLiteral("line.toml")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return file.fileName();
    }
    static QString sha256Of(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
    }
};

TEST_F(ProductCommand, AGangWritesEveryPageIntoEveryUnitAndCheckFindsTheUnitThatDiffers)
{
    SimulatedUnit a(1), b(2);
    const QString line = product();
    const Ran written = run({"write", "--product", line, "--port", "1", "--port", "2", "--yes", "--quiet", "--json"});
    ASSERT_EQ(written.status, 0) << written.err.toStdString() << written.out.toStdString();
    for (SimulatedUnit* unit : {&a, &b}) {
        EXPECT_EQ(unit->sim().Page(0).size, 2048u);
        EXPECT_EQ(unit->sim().Page(2).clockHz, 24576000u);
        EXPECT_EQ(unit->sim().Page(2).cpu, CpuCodeOf(QStringLiteral("SH7045")));
        EXPECT_EQ(unit->sim().Page(1).status, 0);
    }

    const Ran held = run({"check", "--product", line, "--port", "1", "--port", "2"});
    EXPECT_EQ(held.status, 0) << held.err.toStdString() << held.out.toStdString();
    EXPECT_EQ(held.out.count("the unit holds the product"), 2) << held.out.toStdString();

    unitsim::PageRecord page3 = b->Page(2);
    page3.clockHz = 20000000;
    b->SetPage(2, page3, b->PageData(2));
    const Ran differs = run({"check", "--product", line, "--port", "1", "--port", "2", "--json"});
    EXPECT_EQ(differs.status, 11) << differs.err.toStdString();
    const QJsonArray units = differs.json().value("units").toArray();
    ASSERT_EQ(units.size(), 2) << differs.out.toStdString();
    EXPECT_TRUE(units[0].toObject().value("holds").toBool());
    const QJsonObject page = units[1].toObject().value("pages").toArray()[2].toObject();
    const QJsonObject difference = page.value("differences").toArray()[0].toObject();
    EXPECT_EQ(difference.value("field").toString(), "clock");
    EXPECT_EQ(difference.value("found").toString(), "20000000");
    EXPECT_EQ(difference.value("expected").toString(), "24576000");
}

TEST_F(ProductCommand, AChangedImageUnderAPinnedDigestIsRefusedBeforeAnyByteIsSent)
{
    SimulatedUnit unit(1);
    const QString line = product(true);
    image("images/main.mot", 2000, 4);
    const Ran ran = run({"write", "--product", line, "--port", "1", "--yes", "--quiet"});
    EXPECT_EQ(ran.status, 4) << ran.err.toStdString();
    EXPECT_TRUE(ran.err.contains(QStringLiteral("%1:13: page.sha256: images/main.mot: has SHA-256").arg(line).toUtf8()))
        << ran.err.toStdString();
    EXPECT_TRUE(unit->ReceivedBytes().empty());
}

} // namespace
