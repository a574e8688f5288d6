// Reads a product file: its TOML through the library, every key checked against the shape
// below, every image loaded and tested as the run would, the pages' spans against each other.
#include "product/Product.h"

#include "product/FaultSink.h"
#include "product/ImageFile.h"
#include "product/SerialReader.h"
#include "product/TomlKeys.h"

#include "link/Protocol.h"
#include "main/ClockText.h"
#include "main/DeviceCatalogue.h"
#include "transfer/PagePlan.h"
#include "transfer/RunValues.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace product {

namespace {

// A product file is a few lines; anything much longer is not one (and /dev/zero never ends).
constexpr qint64 kMaxProductBytes = 1 << 20;

//                              key       type                   required
constexpr KeyRule kTopKeys[] = {{"name",  ValueKind::String,     true},
                                {"speed", ValueKind::Integer,    false},
                                {"page",  ValueKind::TableArray, false},
                                {"thru",  ValueKind::Table,      false}};
constexpr KeyRule kPageKeys[] = {{"page",   ValueKind::Integer, true},
                                 {"file",   ValueKind::String,  true},
                                 {"cpu",    ValueKind::String,  true},
                                 {"clock",  ValueKind::Number,  true},
                                 {"sha256", ValueKind::String,  false}};
constexpr KeyRule kThruKeys[] = {{"file",   ValueKind::String, true},
                                 {"cpu",    ValueKind::String, true},
                                 {"clock",  ValueKind::Number, true},
                                 {"sha256", ValueKind::String, false},
                                 {"serial", ValueKind::Table,  false}};

const QString kPageSection = QStringLiteral("page");
const QString kThruSection = QStringLiteral("thru");

// A page the product lists, with the line its page number stands on.
struct ListedPage {
    Page page;
    int line = 0;
};

class Reader {
public:
    Reader(FaultSink& sink, const QString& productFile) : sink_(sink), base_(QFileInfo(productFile).absoluteDir()) {}

    Product Read(const toml::table& root);

private:
    void readTop(const toml::table& root, Product& product);
    std::vector<ListedPage> readPages(const toml::array& entries);
    std::optional<ListedPage> readPage(const toml::table& entry);
    std::optional<Image> readImage(const toml::table& table, const QString& section);
    std::optional<int16_t> readCpu(const toml::table& table, const QString& section);
    std::optional<float> readClock(const toml::table& table, const QString& section);
    std::optional<QString> readDigest(const toml::table& table, const QString& section);
    void checkSpans(const std::vector<ListedPage>& pages);
    void readSerial(const toml::table& table, Product& product);

    FaultSink& sink_;
    QDir base_;
    std::vector<uint8_t> buffer_;
};

Product Reader::Read(const toml::table& root)
{
    CheckKeys(root, kTopKeys, QString(), sink_);
    Product product;
    readTop(root, product);
    std::vector<ListedPage> listed;
    if (const toml::array* entries = root.get_as<toml::array>("page"); entries && entries->is_array_of_tables())
        listed = readPages(*entries);
    checkSpans(listed);
    for (const ListedPage& entry : listed)
        product.pages.push_back(entry.page);
    if (const toml::table* thru = root.get_as<toml::table>("thru")) {
        CheckKeys(*thru, kThruKeys, kThruSection, sink_);
        product.thru = readImage(*thru, kThruSection);
        if (const toml::table* serial = thru->get_as<toml::table>("serial"))
            readSerial(*serial, product);
    }
    if (!root.contains("page") && !root.contains("thru"))
        sink_.Add(0, kPageSection, QStringLiteral("the product lists no [[page]] and no [thru]"));
    return product;
}

void Reader::readTop(const toml::table& root, Product& product)
{
    if (const std::optional<QString> name = StringAt(root, "name")) {
        product.name = *name;
        if (name->trimmed().isEmpty())
            sink_.Add(LineAt(root, "name"), QStringLiteral("name"), QStringLiteral("empty"));
    }
    if (const std::optional<int64_t> speed = IntegerAt(root, "speed")) {
        if (*speed == Proto::kBaudLow || *speed == Proto::kBaudHigh)
            product.speedIndex = *speed == Proto::kBaudHigh ? 1 : 0;
        else
            sink_.Add(LineAt(root, "speed"), QStringLiteral("speed"),
                      QStringLiteral("%1 or %2, not %3").arg(Proto::kBaudLow).arg(Proto::kBaudHigh).arg(*speed));
    }
}

std::vector<ListedPage> Reader::readPages(const toml::array& entries)
{
    std::vector<ListedPage> listed;
    std::map<int16_t, int> firstLine; // page number to the line that listed it first
    for (const toml::node& node : entries) {
        std::optional<ListedPage> entry = readPage(*node.as_table());
        if (!entry)
            continue;
        const auto [first, isNew] = firstLine.emplace(entry->page.pageNo, entry->line);
        if (isNew)
            listed.push_back(std::move(*entry));
        else
            sink_.Add(entry->line, QStringLiteral("page.page"),
                      QStringLiteral("page %1 is listed twice (first on line %2)")
                          .arg(entry->page.pageNo + 1)
                          .arg(first->second));
    }
    std::sort(listed.begin(), listed.end(),
              [](const ListedPage& a, const ListedPage& b) { return a.page.pageNo < b.page.pageNo; });
    return listed;
}

std::optional<ListedPage> Reader::readPage(const toml::table& entry)
{
    CheckKeys(entry, kPageKeys, kPageSection, sink_);
    std::optional<int16_t> pageNo;
    if (const std::optional<int64_t> number = IntegerAt(entry, "page")) {
        if (*number >= 1 && *number <= Proto::kPageCount)
            pageNo = static_cast<int16_t>(*number - 1);
        else
            sink_.Add(LineAt(entry, "page"), QStringLiteral("page.page"),
                      QStringLiteral("%1 is no page of the unit: 1 to %2").arg(*number).arg(Proto::kPageCount));
    }
    std::optional<Image> image = readImage(entry, kPageSection);
    if (!pageNo || !image)
        return std::nullopt;
    return ListedPage{Page{*pageNo, std::move(*image)}, LineAt(entry, "page")};
}

std::optional<Image> Reader::readImage(const toml::table& table, const QString& section)
{
    const std::optional<int16_t> cpu = readCpu(table, section);
    const std::optional<float> clock = readClock(table, section);
    const std::optional<QString> digest = readDigest(table, section);
    const std::optional<QString> file = StringAt(table, "file");
    if (!file)
        return std::nullopt;
    const QString path = QDir::cleanPath(base_.absoluteFilePath(*file));
    ImageFileReading reading = ReadImageFile(path, digest, buffer_);
    if (reading.fault) {
        const char* key = reading.digestFault ? "sha256" : "file";
        sink_.Add(LineAt(table, key), KeyName(section, key), QStringLiteral("%1: %2").arg(*file, *reading.fault));
        return std::nullopt;
    }
    if (!cpu || !clock || (table.contains("sha256") && !digest))
        return std::nullopt;
    reading.image.cpuCode = *cpu;
    reading.image.clockMHz = *clock;
    return reading.image;
}

std::optional<int16_t> Reader::readCpu(const toml::table& table, const QString& section)
{
    const std::optional<QString> name = StringAt(table, "cpu");
    if (!name)
        return std::nullopt;
    if (const std::optional<int16_t> code = FindCpuCode(*name))
        return code;
    sink_.Add(LineAt(table, "cpu"), KeyName(section, "cpu"),
              QStringLiteral("unknown CPU \"%1\" (corvane-flash cpus lists the catalogue)").arg(*name));
    return std::nullopt;
}

std::optional<float> Reader::readClock(const toml::table& table, const QString& section)
{
    const std::optional<double> mhz = NumberAt(table, "clock");
    if (!mhz)
        return std::nullopt;
    const auto single = static_cast<float>(*mhz);
    if (*mhz > 0 && single > 0 && single <= kMaxClockMHz)
        return single;
    sink_.Add(LineAt(table, "clock"), KeyName(section, "clock"),
              QStringLiteral("%1 MHz is out of range: above 0 and at most %2").arg(*mhz).arg(kMaxClockMHz));
    return std::nullopt;
}

std::optional<QString> Reader::readDigest(const toml::table& table, const QString& section)
{
    static const QRegularExpression sha256(QStringLiteral("^[0-9a-fA-F]{64}$"));
    const std::optional<QString> digest = StringAt(table, "sha256");
    if (!digest)
        return std::nullopt;
    if (sha256.match(*digest).hasMatch())
        return digest->toLower();
    sink_.Add(LineAt(table, "sha256"), KeyName(section, "sha256"), QStringLiteral("64 hexadecimal digits are needed"));
    return std::nullopt;
}

// The number is data of the THRU image: the run sends up to it even past the file's own data.
void Reader::readSerial(const toml::table& table, Product& product)
{
    product.thruSerial = ReadSerialRule(table, product.thru ? buffer_ : std::vector<uint8_t>{}, sink_);
    if (!product.thru || !product.thruSerial)
        return;
    const int32_t placeEnd = product.thruSerial->address + product.thruSerial->PlacedBytes() - 1;
    product.thru->dataEnd = std::max(product.thru->dataEnd, placeEnd);
    product.thru->sendEnd = SendEndOf(product.thru->dataEnd);
}

// Pages are written one after the other, so a page whose image runs on into another page the
// product lists would be erased by that page's own write, or erase it.
void Reader::checkSpans(const std::vector<ListedPage>& pages)
{
    for (const ListedPage& entry : pages) {
        const int first = entry.page.pageNo;
        const int last = first + PagesNeeded(entry.page.image.dataEnd) - 1;
        const QString file = QFileInfo(entry.page.image.file).fileName();
        if (last >= Proto::kPageCount) {
            sink_.Add(entry.line, QStringLiteral("page.page"),
                      QStringLiteral("%1 needs %2 pages from page %3; the unit has %4")
                          .arg(file).arg(last - first + 1).arg(first + 1).arg(Proto::kPageCount));
            continue;
        }
        const auto spilled = std::find_if(pages.begin(), pages.end(), [&](const ListedPage& other) {
            return other.page.pageNo > first && other.page.pageNo <= last;
        });
        if (spilled != pages.end())
            sink_.Add(entry.line, QStringLiteral("page.page"),
                      QStringLiteral("%1 runs on from page %2 into page %3, which the product lists as well")
                          .arg(file).arg(first + 1).arg(spilled->page.pageNo + 1));
    }
}

// The file's text, or nothing after its fault.
std::optional<QByteArray> ReadText(const QString& path, FaultSink& sink)
{
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        sink.Add(0, QString(), QStringLiteral("cannot be opened: it is a folder"));
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        sink.Add(0, QString(), QStringLiteral("cannot be opened: %1").arg(file.errorString()));
        return std::nullopt;
    }
    QByteArray text = file.read(kMaxProductBytes + 1);
    if (text.size() > kMaxProductBytes) {
        sink.Add(0, QString(), QStringLiteral("longer than %1 bytes: not a product file").arg(kMaxProductBytes));
        return std::nullopt;
    }
    return text;
}

std::optional<toml::table> ParseToml(const QByteArray& text, const QString& path, FaultSink& sink)
{
    const std::string sourcePath = path.toStdString();
    try {
        return toml::parse(std::string_view(text.constData(), static_cast<size_t>(text.size())), sourcePath);
    } catch (const toml::parse_error& error) {
        const std::string_view description = error.description();
        sink.Add(static_cast<int>(error.source().begin.line), QString(),
                 QString::fromUtf8(description.data(), static_cast<qsizetype>(description.size())));
        return std::nullopt;
    }
}

} // namespace

Reading ReadProduct(const QString& path)
{
    FaultSink sink(path);
    const std::optional<QByteArray> text = ReadText(path, sink);
    const std::optional<toml::table> root = text ? ParseToml(*text, path, sink) : std::nullopt;
    if (!root)
        return {std::nullopt, sink.Sorted()};
    Product product = Reader(sink, path).Read(*root);
    if (!sink.Empty())
        return {std::nullopt, sink.Sorted()};
    product.file = QFileInfo(path).absoluteFilePath();
    product.sha256 = Sha256Hex(*text);
    return {std::move(product), {}};
}

} // namespace product
