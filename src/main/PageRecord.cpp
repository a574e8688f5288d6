#include "main/PageRecord.h"

#include "main/DeviceCatalogue.h"
#include "shared/MemoryView.h"

#include <QStringDecoder>

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
    QStringDecoder decoder(Proto::kCodePage);
    const QString name =
        decoder.decode(QByteArrayView(reinterpret_cast<const char*>(info.name.data()), Proto::kRecordNameBytes));
    return {CpuNameOf(info.cpu), FormatMegahertz(info.clockHz), name, FormatKibibytes(info.sizeBytes)};
}
