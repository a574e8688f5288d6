#include "main/DeviceCatalogue.h"

#include <QSet>

#include <gtest/gtest.h>

TEST(DeviceCatalogue, NameLookupUpperCasesAndMatchesExactly)
{
    EXPECT_EQ(CpuCodeOf("sh7045"), 29);
    EXPECT_EQ(CpuCodeOf("SH7045 "), 0);
    EXPECT_EQ(CpuCodeOf(" SH7045"), 0);
    EXPECT_EQ(CpuCodeOf("SH704"), 0);
    EXPECT_EQ(CpuCodeOf(""), 0);
    EXPECT_EQ(CpuCodeOf("2638F"), 67);
    EXPECT_EQ(CpuCodeOf("2612f"), 75);
    EXPECT_EQ(CpuCodeOf("3664n"), 69);
}

TEST(DeviceCatalogue, CodeLookupNamesEveryCodeButSixtySeven)
{
    EXPECT_EQ(CpuNameOf(0), "3048F");
    EXPECT_EQ(CpuNameOf(57), "2169YF");
    EXPECT_EQ(CpuNameOf(75), "2612F");
    EXPECT_EQ(CpuNameOf(67), "");
    EXPECT_EQ(CpuNameOf(76), "");
    EXPECT_EQ(CpuNameOf(-1), "");
    EXPECT_EQ(CpuNameOf(32767), "");
}

TEST(DeviceCatalogue, EveryCodeSurvivesTheRoundTripThroughItsName)
{
    for (int code = 0; code < kCpuCodeCount; ++code) {
        const int expected = code == 67 ? 0 : code;
        EXPECT_EQ(CpuCodeOf(CpuNameOf(code)), expected) << "code " << code;
    }
}

TEST(DeviceCatalogue, SelectorListOffersSixtySevenDistinctCatalogueNames)
{
    const QStringList& list = CpuListNames();
    ASSERT_EQ(list.size(), 67);
    EXPECT_EQ(QSet<QString>(list.begin(), list.end()).size(), 67);
    EXPECT_EQ(list.front(), "2128F");
    EXPECT_EQ(list.at(23), "2612F");
    EXPECT_EQ(list.at(30), "3048F");
    EXPECT_EQ(list.mid(34, 4), QStringList({"3062F", "3062RF", "3062AF", "3062BF"}));
    EXPECT_EQ(list.back(), "SH7055");

    QSet<int> offered;
    for (const QString& name : list) {
        const int code = CpuCodeOf(name);
        EXPECT_EQ(CpuNameOf(code), name) << name.toStdString();
        offered.insert(code);
    }
    QSet<int> notOffered;
    for (int code = 0; code < kCpuCodeCount; ++code)
        if (!offered.contains(code))
            notOffered.insert(code);
    EXPECT_EQ(notOffered, QSet<int>({46, 47, 48, 57, 61, 62, 63, 64, 67}));
}
