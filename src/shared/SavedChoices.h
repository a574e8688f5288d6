#pragma once

#include "shared/Module1.h"

#include <QString>

#include <cstdint>

class SettingsStore;

// The keys of the settings store's "Settings" section. The window reads and writes them all;
// the command line reads the operator's choices and never writes.
namespace SettingKey {
inline const QString MainLeft = QStringLiteral("MainLeft");
inline const QString MainTop = QStringLiteral("MainTop");
inline const QString MainWidth = QStringLiteral("MainWidth");
inline const QString MainHeight = QStringLiteral("MainHeight");
inline const QString Port = QStringLiteral("Port");
inline const QString Cpu = QStringLiteral("Cpu");
inline const QString Freq = QStringLiteral("Freq");
inline const QString File = QStringLiteral("File");
inline const QString Title = QStringLiteral("title");
inline const QString Page = QStringLiteral("Page");
inline const QString Speed = QStringLiteral("Speed");
} // namespace SettingKey

// The operator's choices as Module1 holds them, with the defaults a missing or unreadable
// setting gives. Stored as they are: what a front end does with a value out of its range is
// its own affair.
struct SavedChoices {
    int16_t PortNo = 1;
    int16_t CpuIndex = 0;
    float ClockMHz = 16;
    QString FilePath;
    QString FileTitle;
    int16_t PageNo = 1;
    int16_t SpeedIndex = 0;
};

SavedChoices ReadSavedChoices(const SettingsStore& store);
// In the order the window has always written them.
void WriteSavedChoices(SettingsStore& store, const SavedChoices& choices);

// Between the choices and Module1's fields of the same names.
SavedChoices ChoicesOf(const Module1Record& record);
void ApplyChoices(const SavedChoices& choices, Module1Record& record);
