#pragma once

#include <QString>

#include <cstdint>
#include <memory>

class QSettings;

// The per-user settings store: an INI file Corvane-Host/Corvane-Host.conf in the user's
// configuration folder ($XDG_CONFIG_HOME, default ~/.config), section "Settings".
class SettingsStore {
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The stored text, or `fallback` when the key is missing.
    QString GetSetting(const QString& key, const QString& fallback) const;
    // Creates or replaces the value; written to disk when the store is destroyed.
    void SaveSetting(const QString& key, const QString& value);
    static QString FilePath();

private:
    std::unique_ptr<QSettings> settings_;
};

// The program's own configuration folder, "<user configuration folder>/Corvane-Host".
QString AppConfigFolder();

// Text forms of the stored numbers. A text that is not a number, or an Integer that does not
// fit 16 bits, reads as the default instead of stopping the program.
int16_t ParseStoredInteger(const QString& text, int16_t fallback);
float ParseStoredSingle(const QString& text, float fallback);
// Shortest decimal form with at most 7 significant digits: "16", "9.8304", "12.34568".
QString FormatSingle(float value);
