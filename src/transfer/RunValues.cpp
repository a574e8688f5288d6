#include "transfer/RunValues.h"

#include "link/Protocol.h"

#include <QStringEncoder>

#include <cmath>
#include <limits>

namespace {

constexpr int kNameLength = 11;
constexpr int kNameBytes = 11;

} // namespace

int32_t SendEndOf(int32_t dataEnd)
{
    const int64_t count = static_cast<int64_t>(dataEnd) + 1;
    if (count % Proto::kSendUnit == 0)
        return dataEnd;
    // Floor division, so that the rule holds below 0 as well.
    const int64_t units = count >= 0 ? count / Proto::kSendUnit : -((-count + Proto::kSendUnit - 1) / Proto::kSendUnit);
    return static_cast<int32_t>(units * Proto::kSendUnit + Proto::kSendUnit - 1);
}

int32_t ClockHzOf(float clockMHz)
{
    // The single-precision value is widened before scaling: 12.345678 MHz gives 12345678.
    const double hz = static_cast<double>(clockMHz) * 1e6;
    if (!(hz >= std::numeric_limits<int32_t>::min() && hz <= std::numeric_limits<int32_t>::max()))
        return 0;
    // The program keeps the default rounding mode, to nearest with ties to even.
    return static_cast<int32_t>(std::nearbyint(hz));
}

QString NameFieldOf(const QString& fileTitle)
{
    QString field = fileTitle;
    field.remove(QLatin1Char('.'));
    field.append(QString(12, QLatin1Char(' ')));
    return field.left(kNameLength);
}

QString NameHexOf(const QString& nameField)
{
    QStringEncoder encoder(Proto::kCodePage);
    const QByteArray bytes = encoder.encode(nameField);
    QString hex;
    for (qsizetype i = 0; i < bytes.size() && i < kNameBytes; ++i)
        hex.append(HexField(static_cast<uint8_t>(bytes[i]), 2));
    return hex;
}

QString NumberText(int32_t number)
{
    const QString digits = QString::number(number);
    return number >= 0 ? QLatin1Char(' ') + digits : digits;
}

int PercentOf(int32_t position, int32_t dataEnd)
{
    if (dataEnd <= 0)
        return 100;
    // Exact integer arithmetic: a half percent rounds up, as the percentage format does.
    return static_cast<int>((200 * static_cast<int64_t>(position) + dataEnd) / (2 * static_cast<int64_t>(dataEnd)));
}
