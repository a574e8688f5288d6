#include "product/Product.h"

#include "main/DeviceCatalogue.h"

#include "support/RampImage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int kSmallImage = 2000;
constexpr int kTwoPageImage = 0x20000 + 64;

// A folder with a product's images: a small one, one that spans two pages, one whose second
// line has a bad checksum.
class ProductFolder {
public:
    ProductFolder()
    {
        QDir(dir_.path()).mkdir(QStringLiteral("images"));
        WriteRampImageFile(path("images/small.mot"), kSmallImage, 3);
        WriteRampImageFile(path("images/big.mot"), kTwoPageImage, 5);
        QFile bad(path("images/bad.mot"));
        EXPECT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray::fromStdString(SRecord(1, 0, {1, 2})) + "\r\nS1050002030400\r\n");
    }
    QString path(const char* relative) const { return dir_.filePath(QString::fromLatin1(relative)); }
    QString write(const std::string& text) const
    {
        QFile file(path("line.toml"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray::fromStdString(text));
        return file.fileName();
    }

private:
    QTemporaryDir dir_;
};

QString Sha256OfFile(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
}

std::string AllLines(const std::vector<product::Fault>& faults)
{
    std::string lines;
    for (const product::Fault& fault : faults)
        lines += fault.Line().toStdString() + "\n";
    return lines;
}

const std::string kSmallPage = "[[page]]\npage = 1\nfile = \"images/small.mot\"\ncpu = \"3048F\"\nclock = 16.0\n";

// A THRU image with a serial rule whose fields follow.
std::string SerialThru(const std::string& fields)
{
    return "name = \"A\"\n[thru]\nfile = \"images/small.mot\"\ncpu = \"3048F\"\nclock = 20\n[thru.serial]\n" + fields;
}

struct FaultRow {
    const char* what;
    std::string text;
    const char* key;
    int line;
    const char* saying;
};

// Each product text holds exactly one fault.
const FaultRow kFaultRows[] = {
    {"not TOML", "name = \"A\"\nspeed = \n", "", 2, "expected"},
    {"unknown top-level key", "name = \"A\"\ncolour = 1\n" + kSmallPage, "colour", 2, "unknown key"},
    {"unknown key of a page", "name = \"A\"\n" + kSmallPage + "erase = true\n", "page.erase", 7, "unknown key"},
    {"clock as text", "name = \"A\"\n[[page]]\npage = 1\nfile = \"images/small.mot\"\ncpu = \"3048F\"\nclock = \"16\"\n",
     "page.clock", 6, "a number is needed, not string"},
    {"page as a table", "name = \"A\"\n[page]\npage = 1\n", "page", 2, "an array of tables is needed"},
    {"speed as a float", "name = \"A\"\nspeed = 9600.0\n" + kSmallPage, "speed", 2, "an integer is needed"},
    {"missing name", kSmallPage, "name", 1, "missing"},
    {"missing cpu", "name = \"A\"\n\n[[page]]\npage = 1\nfile = \"images/small.mot\"\nclock = 16\n", "page.cpu", 3, "missing"},
    {"empty name", "name = \" \"\n" + kSmallPage, "name", 1, "empty"},
    {"page listed twice", "name = \"A\"\n" + kSmallPage + kSmallPage, "page.page", 8, "page 1 is listed twice (first on line 3)"},
    {"page 5", "name = \"A\"\n[[page]]\npage = 5\nfile = \"images/small.mot\"\ncpu = \"3048F\"\nclock = 16\n",
     "page.page", 3, "5 is no page of the unit"},
    {"unknown CPU", "name = \"A\"\n[[page]]\npage = 1\nfile = \"images/small.mot\"\ncpu = \"3049F\"\nclock = 16\n",
     "page.cpu", 5, "unknown CPU \"3049F\""},
    {"clock above range", "name = \"A\"\n[[page]]\npage = 1\nfile = \"images/small.mot\"\ncpu = \"3048F\"\nclock = 100\n",
     "page.clock", 6, "out of range"},
    {"clock 0", "name = \"A\"\n[thru]\nfile = \"images/small.mot\"\ncpu = \"3048F\"\nclock = 0.0\n", "thru.clock", 5,
     "out of range"},
    {"unknown CPU of the THRU image", "name = \"A\"\n[thru]\nfile = \"images/small.mot\"\ncpu = \"SH\"\nclock = 20\n",
     "thru.cpu", 4, "unknown CPU"},
    {"speed 19200", "name = \"A\"\nspeed = 19200\n" + kSmallPage, "speed", 2, "9600 or 38400, not 19200"},
    {"image missing", "name = \"A\"\n[[page]]\npage = 2\nfile = \"images/none.mot\"\ncpu = \"3048F\"\nclock = 16\n",
     "page.file", 4, "images/none.mot: cannot be opened"},
    {"image faulty", "name = \"A\"\n[[page]]\npage = 2\nfile = \"images/bad.mot\"\ncpu = \"3048F\"\nclock = 16\n",
     "page.file", 4, "images/bad.mot: line 2: bad checksum"},
    {"digest differs", "name = \"A\"\n" + kSmallPage + "sha256 = \"" + std::string(64, '0') + "\"\n", "page.sha256", 7,
     "not the 0000"},
    {"digest malformed", "name = \"A\"\n" + kSmallPage + "sha256 = \"9f2c\"\n", "page.sha256", 7, "64 hexadecimal digits"},
    {"image runs on into a listed page",
     "name = \"A\"\n[[page]]\npage = 2\nfile = \"images/small.mot\"\ncpu = \"3048F\"\nclock = 16\n"
     "[[page]]\npage = 1\nfile = \"images/big.mot\"\ncpu = \"3048F\"\nclock = 16\n",
     "page.page", 8, "big.mot runs on from page 1 into page 2"},
    {"image runs past page 4", "name = \"A\"\n[[page]]\npage = 4\nfile = \"images/big.mot\"\ncpu = \"3048F\"\nclock = 16\n",
     "page.page", 3, "big.mot needs 2 pages from page 4"},
    {"nothing to write", "name = \"A\"\nspeed = 9600\n", "page", 0, "lists no [[page]] and no [thru]"},
    // The serial rule: [thru.serial] on line 6, its fields from line 7.
    {"serial format unknown", SerialThru("address = 0x7FFF0\nformat = \"BE\"\nbytes = 4\nfirst = 1\n"),
     "thru.serial.format", 8, "not \"BE\""},
    {"serial 9 bytes", SerialThru("address = 0x7FFF0\nformat = \"le\"\nbytes = 9\nfirst = 1\n"),
     "thru.serial.bytes", 9, "1 to 8, not 9"},
    {"serial bcd given bytes", SerialThru("address = 0x7FFF0\nformat = \"bcd\"\ndigits = 6\nbytes = 3\nfirst = 1\n"),
     "thru.serial.bytes", 10, "\"bcd\" takes digits"},
    {"serial prefix on binary", SerialThru("address = 0x7FFF0\nformat = \"be\"\nbytes = 4\nprefix = \"SN\"\nfirst = 1\n"),
     "thru.serial.prefix", 10, "only \"ascii\""},
    {"serial first too wide", SerialThru("address = 0x7FFF0\nformat = \"be\"\nbytes = 2\nfirst = 65536\n"),
     "thru.serial.first", 10, "holds 0 to 65535"},
    {"serial last too wide", SerialThru("address = 0x7FFF0\nformat = \"ascii\"\ndigits = 4\nfirst = 1\nlast = 10000\n"),
     "thru.serial.last", 11, "holds 0 to 9999"},
    {"serial last below first", SerialThru("address = 0x7FFF0\nformat = \"bcd\"\ndigits = 4\nfirst = 50\nlast = 49\n"),
     "thru.serial.last", 11, "below first (50)"},
    {"serial step 0", SerialThru("address = 0x7FFF0\nformat = \"be\"\nbytes = 4\nfirst = 1\nstep = 0\n"),
     "thru.serial.step", 11, "1 or more"},
    {"serial past the image", SerialThru("address = 0x7FFFE\nformat = \"be\"\nbytes = 4\nfirst = 1\n"),
     "thru.serial.address", 7, "4 bytes at 0x7FFFE lie outside the image"},
    {"serial over the image's data", SerialThru("address = 0x100\nformat = \"be\"\nbytes = 4\nfirst = 1\n"),
     "thru.serial.address", 7, "the image holds data at 0x00100"},
    {"serial without its first", SerialThru("address = 0x7FFF0\nformat = \"be\"\nbytes = 4\n"),
     "thru.serial.first", 6, "missing"},
};

void PrintTo(const FaultRow& row, std::ostream* out)
{
    *out << row.what;
}

class ProductFaultTest : public ::testing::TestWithParam<FaultRow> {};

TEST_P(ProductFaultTest, refusesWithFileLineAndKey)
{
    const FaultRow& row = GetParam();
    ProductFolder folder;
    const QString file = folder.write(row.text);
    const product::Reading reading = product::ReadProduct(file);
    EXPECT_FALSE(reading.product.has_value());
    ASSERT_EQ(reading.faults.size(), 1u) << AllLines(reading.faults);
    const product::Fault& fault = reading.faults.front();
    EXPECT_EQ(fault.key.toStdString(), row.key);
    EXPECT_EQ(fault.line, row.line);
    EXPECT_TRUE(fault.text.contains(QString::fromUtf8(row.saying))) << fault.text.toStdString();
    const QString place = row.line > 0 ? QStringLiteral("%1:%2: ").arg(file).arg(row.line) : file + QStringLiteral(": ");
    EXPECT_TRUE(fault.Line().startsWith(place)) << fault.Line().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, ProductFaultTest, ::testing::ValuesIn(kFaultRows),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             for (char& c : name)
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(ProductReaderTest, readsPagesInPageOrderWithPathsRelativeToTheFile)
{
    ProductFolder folder;
    const QString smallDigest = Sha256OfFile(folder.path("images/small.mot")).toUpper();
    const QString file = folder.write(
        "name = \"Controller B, rev 3\"\nspeed = 38400\n"
        "[[page]]\npage = 3\nfile = \"images/big.mot\"\ncpu = \"sh7045\"\nclock = 24.576\n"
        "[[page]]\npage = 1\nfile = \"images/small.mot\"\ncpu = \"3048F\"\nclock = 16\nsha256 = \"" +
        smallDigest.toStdString() + "\"\n[thru]\nfile = \"./images/../images/small.mot\"\ncpu = \"3048F\"\nclock = 8\n");
    const product::Reading reading = product::ReadProduct(file);
    ASSERT_TRUE(reading.faults.empty()) << AllLines(reading.faults);
    const product::Product& product = *reading.product;
    EXPECT_EQ(product.name, QStringLiteral("Controller B, rev 3"));
    EXPECT_EQ(product.speedIndex, std::optional<int16_t>(1));
    EXPECT_EQ(product.sha256, Sha256OfFile(file));
    ASSERT_EQ(product.pages.size(), 2u);
    EXPECT_EQ(product.pages[0].pageNo, 0);
    EXPECT_EQ(product.pages[0].image.file, folder.path("images/small.mot"));
    EXPECT_EQ(product.pages[0].image.fileSha256, smallDigest.toLower());
    EXPECT_EQ(product.pages[0].image.dataBytes, kSmallImage);
    EXPECT_EQ(product.pages[0].image.sendEnd, 2047);
    EXPECT_EQ(product.pages[1].pageNo, 2);
    EXPECT_EQ(product.pages[1].image.cpuCode, CpuCodeOf(QStringLiteral("SH7045")));
    EXPECT_FLOAT_EQ(product.pages[1].image.clockMHz, 24.576f);
    EXPECT_EQ(product.pages[1].image.dataEnd, kTwoPageImage - 1);
    ASSERT_TRUE(product.thru.has_value());
    EXPECT_EQ(product.thru->file, folder.path("images/small.mot"));
}

} // namespace
