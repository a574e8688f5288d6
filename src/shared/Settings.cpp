#include "shared/Settings.h"

#include "shared/Version.h"

#include <QDir>
#include <QSettings>

#include <cmath>

QString AppConfigFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QLatin1Char('/') + QLatin1String(kAppTitle);
}

QString SettingsStore::FilePath()
{
    return AppConfigFolder() + QLatin1Char('/') + QLatin1String(kAppTitle) + QStringLiteral(".conf");
}

SettingsStore::SettingsStore() : settings_(std::make_unique<QSettings>(FilePath(), QSettings::IniFormat))
{
    // Written beside the old file and renamed over it, or not at all: a folder that cannot be
    // written (read-only, a full disk) keeps the file that was there whole, never truncated.
    settings_->setAtomicSyncRequired(true);
    settings_->beginGroup(QStringLiteral("Settings"));
}

SettingsStore::~SettingsStore()
{
    settings_->endGroup();
    settings_->sync();
}

QString SettingsStore::GetSetting(const QString& key, const QString& fallback) const
{
    const QVariant value = settings_->value(key);
    if (!value.isValid())
        return fallback;
    // A value written by hand with commas reads back as a list; join it again as text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SettingsStore::SaveSetting(const QString& key, const QString& value)
{
    settings_->setValue(key, value);
}

int16_t ParseStoredInteger(const QString& text, int16_t fallback)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return fallback;
    // Integer keys are read the way the original store read them: rounded half to even.
    const double rounded = std::nearbyint(value);
    if (rounded < INT16_MIN || rounded > INT16_MAX)
        return fallback;
    return static_cast<int16_t>(rounded);
}

float ParseStoredSingle(const QString& text, float fallback)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > 3.4028234663852886e38)
        return fallback;
    return static_cast<float>(value);
}

QString FormatSingle(float value)
{
    // Seven significant digits is what a single carries; 'g' drops trailing zeros.
    QString text = QString::number(static_cast<double>(value), 'g', 7);
    if (text.contains(QLatin1Char('e'))) {
        // Keep plain decimals for the magnitudes a window position or a clock can take.
        if (std::fabs(value) >= 1 && std::fabs(value) < 1e15)
            text = QString::number(static_cast<double>(value), 'f', 0);
    }
    return text;
}
