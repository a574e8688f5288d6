#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// The fixed catalogue of target CPUs. The code is what the unit, the saved settings and the
// image-buffer library know a CPU by, so the codes must never change.

// The code of the catalogue entry named `name` after upper-casing it (67 included); nothing for
// any other text. No trimming and no partial match.
std::optional<int16_t> FindCpuCode(const QString& name);
// As the window takes a name: 0 ("3048F") for a text the catalogue does not name.
int16_t CpuCodeOf(const QString& name);

// The name of `code`; empty for 67 and for codes outside 0..75.
QString CpuNameOf(int code);

// The catalogue's own name of `code`, 67 included; empty for codes outside 0..75.
QString CatalogueName(int code);

// The names the CPU selector offers, in the order it shows them.
const QStringList& CpuListNames();

inline constexpr int kCpuCodeCount = 76;
