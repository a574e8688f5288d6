#include "shared/SavedChoices.h"

#include "shared/Settings.h"

namespace {

int16_t readInteger(const SettingsStore& store, const QString& key, int16_t fallback)
{
    return ParseStoredInteger(store.GetSetting(key, QString::number(fallback)), fallback);
}

} // namespace

SavedChoices ReadSavedChoices(const SettingsStore& store)
{
    const SavedChoices defaults;
    SavedChoices c;
    c.PortNo = readInteger(store, SettingKey::Port, defaults.PortNo);
    c.CpuIndex = readInteger(store, SettingKey::Cpu, defaults.CpuIndex);
    c.ClockMHz = ParseStoredSingle(store.GetSetting(SettingKey::Freq, FormatSingle(defaults.ClockMHz)),
                                   defaults.ClockMHz);
    c.FilePath = store.GetSetting(SettingKey::File, QString());
    c.FileTitle = store.GetSetting(SettingKey::Title, QString());
    c.PageNo = readInteger(store, SettingKey::Page, defaults.PageNo);
    c.SpeedIndex = readInteger(store, SettingKey::Speed, defaults.SpeedIndex);
    return c;
}

void WriteSavedChoices(SettingsStore& store, const SavedChoices& c)
{
    store.SaveSetting(SettingKey::Port, QString::number(c.PortNo));
    store.SaveSetting(SettingKey::Freq, FormatSingle(c.ClockMHz));
    store.SaveSetting(SettingKey::File, c.FilePath);
    store.SaveSetting(SettingKey::Title, c.FileTitle);
    store.SaveSetting(SettingKey::Cpu, QString::number(c.CpuIndex));
    store.SaveSetting(SettingKey::Page, QString::number(c.PageNo));
    store.SaveSetting(SettingKey::Speed, QString::number(c.SpeedIndex));
}

SavedChoices ChoicesOf(const Module1Record& r)
{
    return {r.PortNo, r.CpuIndex, r.ClockMHz, r.FilePath, r.FileTitle, r.PageNo, r.SpeedIndex};
}

void ApplyChoices(const SavedChoices& c, Module1Record& r)
{
    r.PortNo = c.PortNo;
    r.CpuIndex = c.CpuIndex;
    r.ClockMHz = c.ClockMHz;
    r.FilePath = c.FilePath;
    r.FileTitle = c.FileTitle;
    r.PageNo = c.PageNo;
    r.SpeedIndex = c.SpeedIndex;
}
