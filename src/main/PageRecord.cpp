#include "main/PageRecord.h"

#include "link/Protocol.h"
#include "main/DeviceCatalogue.h"
#include "shared/MemoryView.h"
#include "shared/Module1.h"

#include <QStringDecoder>

namespace {

// Field positions in the reply, in characters.
constexpr int kStatusAt = 0;
constexpr int kCpuAt = 2;
constexpr int kClockAt = 4;
constexpr int kNameAt = 12;
constexpr int kNameBytes = 12;
constexpr int kSizeAt = 36;

uint8_t byteAt(int position)
{
    return static_cast<uint8_t>(HexNibble(Module1.RxBytes[position]) * 16 + HexNibble(Module1.RxBytes[position + 1]));
}

// Eight characters taken as one 32-bit number, most significant digit first.
uint32_t wordAt(int position)
{
    uint32_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = value * 16 + static_cast<uint32_t>(HexNibble(Module1.RxBytes[position + i]));
    return value;
}

} // namespace

PageInfo DecodePageRecord()
{
    PageInfo info;
    info.status = byteAt(kStatusAt);
    if (info.status != 1)
        return info;
    info.cpu = byteAt(kCpuAt);
    info.clockHz = wordAt(kClockAt);
    for (int i = 0; i < kNameBytes; ++i)
        info.name[i] = byteAt(kNameAt + 2 * i);
    info.sizeBytes = wordAt(kSizeAt);
    return info;
}

QString FormatMegahertz(uint32_t hz)
{
    const uint64_t tenThousandths = (static_cast<uint64_t>(hz) + 50) / 100;
    return QStringLiteral("%1.%2").arg(tenThousandths / 10000).arg(tenThousandths % 10000, 4, 10, QLatin1Char('0'));
}

QString FormatKibibytes(uint32_t bytes)
{
    return QString::number(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0));
}

PageCaptions CaptionsOf(const PageInfo& info)
{
    if (info.status != 1)
        return {QString::fromLatin1(kEmptyCpuCaption), QStringLiteral("-------"), QStringLiteral("-----------"),
                QString::fromLatin1(kEmptySizeCaption)};
    // The name is shown as the unit keeps it, filler included.
    QStringDecoder decoder("CP932");
    const QString name =
        decoder.decode(QByteArrayView(reinterpret_cast<const char*>(info.name.data()), kNameBytes));
    return {CpuNameOf(info.cpu), FormatMegahertz(info.clockHz), name, FormatKibibytes(info.sizeBytes)};
}
