// libFuzzer target for the clock text: any text (read as UTF-8 and, byte for byte, as
// Latin-1) reads without undefined behaviour, and the committed clock is a number from 0 to
// 99.9999 whose "#0.0000" form reads back to itself.
// Built and run by run_fuzz.sh, not by the project build.
#include "FuzzSupport.h"

#include "main/ClockText.h"

#include <QRegularExpression>

#include <cmath>

namespace {

void CheckText(const QString& text)
{
    (void)ReadLeadingNumber(text);
    const float mhz = ClockFromText(text);
    Require(!std::isnan(mhz), "the clock is a number");
    Require(mhz >= 0.0f && mhz <= kMaxClockMHz, "the clock lies from 0 to 99.9999");
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,2}\\.[0-9]{4}$"));
    const QString shown = FormatClock(mhz);
    Require(form.match(shown).hasMatch(), "the clock shows as #0.0000");
    Require(ClockFromText(shown) == ClockFromText(FormatClock(ClockFromText(shown))),
            "the shown clock reads back to itself");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    CheckText(QString::fromUtf8(text, length));
    CheckText(QString::fromLatin1(text, length));
    return 0;
}
