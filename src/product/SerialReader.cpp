// The serial rule of a product's THRU image: refused when the product is read if a field does
// not fit its format, the numbers do not fit it, or the number would land outside the image or
// on the image's own data.
#include "product/SerialReader.h"

#include "product/TomlKeys.h"

#include "imagebuf/imagebuf.h"
#include "link/Protocol.h"
#include "transfer/ImageLoading.h"

#include <algorithm>

namespace product {

namespace {

//                                key          type                 required
constexpr KeyRule kSerialKeys[] = {{"address",   ValueKind::Integer, true},
                                   {"format",    ValueKind::String,  true},
                                   {"bytes",     ValueKind::Integer, false},
                                   {"digits",    ValueKind::Integer, false},
                                   {"prefix",    ValueKind::String,  false},
                                   {"first",     ValueKind::Integer, true},
                                   {"step",      ValueKind::Integer, false},
                                   {"last",      ValueKind::Integer, false},
                                   {"overwrite", ValueKind::Boolean, false}};

const QString kSection = QStringLiteral("thru.serial");

class SerialReader {
public:
    SerialReader(const toml::table& table, FaultSink& sink) : table_(table), sink_(sink) {}

    std::optional<SerialRule> Read(const std::vector<uint8_t>& image);

private:
    void fault(const char* key, const QString& text)
    {
        sink_.Add(LineAt(table_, key), KeyName(kSection, key), text);
        ok_ = false;
    }
    void readFormat();
    void readNumbers();
    void readPlace(const std::vector<uint8_t>& image);

    const toml::table& table_;
    FaultSink& sink_;
    SerialRule rule_;
    bool ok_ = true;
};

std::optional<SerialRule> SerialReader::Read(const std::vector<uint8_t>& image)
{
    const size_t before = sink_.Count();
    CheckKeys(table_, kSerialKeys, kSection, sink_);
    ok_ = sink_.Count() == before;
    if (!ok_)
        return std::nullopt; // a missing or mistyped key leaves nothing sound to check further
    readFormat();
    if (ok_)
        readNumbers();
    if (ok_)
        readPlace(image);
    return ok_ ? std::optional<SerialRule>(rule_) : std::nullopt;
}

void SerialReader::readFormat()
{
    const QString name = *StringAt(table_, "format");
    const std::optional<SerialRule::Format> format = FormatNamed(name);
    if (!format)
        return fault("format", QStringLiteral("\"be\", \"le\", \"bcd\" or \"ascii\", not \"%1\"").arg(name));
    rule_.format = *format;
    const bool binary = *format == SerialRule::Format::BigEndian || *format == SerialRule::Format::LittleEndian;
    const char* widthKey = binary ? "bytes" : "digits";
    const char* otherKey = binary ? "digits" : "bytes";
    const int most = binary ? SerialRule::kMaxBinaryBytes : SerialRule::kMaxDigits;
    if (table_.contains(otherKey))
        fault(otherKey, QStringLiteral("\"%1\" takes %2, not %3").arg(name, QLatin1String(widthKey), QLatin1String(otherKey)));
    if (table_.contains("prefix") && *format != SerialRule::Format::Ascii)
        fault("prefix", QStringLiteral("only \"ascii\" takes a prefix"));
    const std::optional<int64_t> width = IntegerAt(table_, widthKey);
    if (!width)
        return fault(widthKey, QStringLiteral("missing: \"%1\" takes %2").arg(name, QLatin1String(widthKey)));
    if (*width < 1 || *width > most)
        return fault(widthKey, QStringLiteral("1 to %1, not %2").arg(most).arg(*width));
    rule_.width = static_cast<int>(*width);
    const QString prefix = StringAt(table_, "prefix").value_or(QString());
    if (std::any_of(prefix.begin(), prefix.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() > 0x7E; }))
        return fault("prefix", QStringLiteral("printable ASCII characters only"));
    rule_.prefix = prefix.toLatin1();
}

void SerialReader::readNumbers()
{
    const int64_t first = *IntegerAt(table_, "first");
    const int64_t step = IntegerAt(table_, "step").value_or(1);
    const quint64 largest = rule_.Largest();
    const QString holds = QStringLiteral("does not fit the format, which holds 0 to %1").arg(largest);
    if (first < 0)
        fault("first", QStringLiteral("0 or more, not %1").arg(first));
    else if (static_cast<quint64>(first) > largest)
        fault("first", QStringLiteral("%1 %2").arg(first).arg(holds));
    if (step < 1)
        fault("step", QStringLiteral("1 or more, not %1").arg(step));
    rule_.first = static_cast<quint64>(std::max<int64_t>(first, 0));
    rule_.step = static_cast<quint64>(std::max<int64_t>(step, 1));
    rule_.last = largest;
    if (const std::optional<int64_t> last = IntegerAt(table_, "last")) {
        if (*last < first)
            fault("last", QStringLiteral("%1 is below first (%2)").arg(*last).arg(first));
        else if (static_cast<quint64>(*last) > largest)
            fault("last", QStringLiteral("%1 %2").arg(*last).arg(holds));
        rule_.last = static_cast<quint64>(std::max<int64_t>(*last, 0));
    }
    rule_.overwrite = BooleanAt(table_, "overwrite").value_or(false);
}

void SerialReader::readPlace(const std::vector<uint8_t>& image)
{
    const int64_t address = *IntegerAt(table_, "address");
    const int bytes = rule_.PlacedBytes();
    if (address < 0 || address + bytes > Proto::kImageBytes)
        return fault("address", QStringLiteral("%1 bytes at %2 lie outside the image (0x00000-%3)")
                                    .arg(bytes).arg(ImageAddressText(address)).arg(ImageAddressText(Proto::kImageBytes - 1)));
    rule_.address = static_cast<int32_t>(address);
    if (rule_.overwrite || image.empty())
        return;
    const auto place = image.begin() + address;
    const auto data = std::find_if(place, place + bytes, [](uint8_t b) { return b != IMAGEBUF_BLANK; });
    if (data != place + bytes)
        fault("address", QStringLiteral("the image holds data at %1 (0x%2); overwrite = true places the number over it")
                             .arg(ImageAddressText(data - image.begin()))
                             .arg(*data, 2, 16, QLatin1Char('0')));
}

} // namespace

std::optional<SerialRule> ReadSerialRule(const toml::table& table, const std::vector<uint8_t>& image, FaultSink& sink)
{
    return SerialReader(table, sink).Read(image);
}

} // namespace product
