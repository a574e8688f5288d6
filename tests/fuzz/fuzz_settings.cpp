// libFuzzer target for the settings reader: any text as the settings file is read the way
// the main window reads it at start, and every value comes out in its range or as its default.
// The file lies in a folder of its own under FUZZ_SETTINGS_DIR (default /tmp), pointed at as
// the configuration folder.
// Built and run by run_fuzz.sh, not by the project build.
#include "FuzzSupport.h"

#include "shared/Settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// The keys the window reads, with their defaults, as at start-up.
struct IntegerKey {
    const char* name;
    int16_t fallback;
};
struct SingleKey {
    const char* name;
    float fallback;
};
constexpr IntegerKey kIntegerKeys[] = {{"Port", 1}, {"Cpu", 0}, {"Page", 1}, {"Speed", 0}};
constexpr SingleKey kSingleKeys[] = {
    {"MainLeft", 1000}, {"MainTop", 1000}, {"MainWidth", 6495}, {"MainHeight", 4920}, {"Freq", 16}};
constexpr const char* kTextKeys[] = {"File", "title"};

// The calls under test, one line each.
int16_t ReadInteger(const SettingsStore& s, const IntegerKey& k) { return ParseStoredInteger(s.GetSetting(QString::fromLatin1(k.name), QString::number(k.fallback)), k.fallback); }
float ReadSingle(const SettingsStore& s, const SingleKey& k) { return ParseStoredSingle(s.GetSetting(QString::fromLatin1(k.name), FormatSingle(k.fallback)), k.fallback); }

QString Folder()
{
    const char* root = std::getenv("FUZZ_SETTINGS_DIR");
    return QStringLiteral("%1/settings.%2").arg(QString::fromLocal8Bit(root ? root : "/tmp")).arg(getpid());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString folder = Folder();
    static const bool prepared = [] {
        qputenv("XDG_CONFIG_HOME", folder.toLocal8Bit());
        return QDir().mkpath(AppConfigFolder());
    }();
    Require(prepared, "the settings folder can be made");
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile file(SettingsStore::FilePath());
        Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the settings file can be written");
        Require(file.write(text) == text.size(), "the settings file can be written");
        // The settings layer keeps a parsed file while its size and time stay the same: a
        // time of its own for every input makes it read each one.
        static int64_t stamp = 0;
        file.setFileTime(QDateTime::fromSecsSinceEpoch(++stamp), QFileDevice::FileModificationTime);
    }
    {
        const SettingsStore store;
        for (const IntegerKey& key : kIntegerKeys) {
            const QString stored = store.GetSetting(QString::fromLatin1(key.name), QString());
            const int16_t value = ReadInteger(store, key);
            bool ok = false;
            const double number = stored.trimmed().toDouble(&ok);
            const bool fits = ok && std::isfinite(number) && std::nearbyint(number) >= INT16_MIN &&
                              std::nearbyint(number) <= INT16_MAX;
            Require(fits ? value == static_cast<int16_t>(std::nearbyint(number)) : value == key.fallback,
                    "an integer is the stored number rounded, or its default");
        }
        for (const SingleKey& key : kSingleKeys) {
            const float value = ReadSingle(store, key);
            Require(std::isfinite(value) && std::fabs(value) <= FLT_MAX, "a single is a finite single");
            const QString stored = store.GetSetting(QString::fromLatin1(key.name), QString());
            bool ok = false;
            const double number = stored.trimmed().toDouble(&ok);
            if (!ok || !std::isfinite(number) || std::fabs(number) > FLT_MAX)
                Require(value == key.fallback, "a single that is no number reads as its default");
        }
        for (const char* key : kTextKeys)
            (void)store.GetSetting(QString::fromLatin1(key), QString());
    }
    // The store wrote nothing it did not read: the file is as the input left it.
    QFile file(SettingsStore::FilePath());
    Require(file.open(QIODevice::ReadOnly) && file.readAll() == text, "reading leaves the file unchanged");
    return 0;
}
