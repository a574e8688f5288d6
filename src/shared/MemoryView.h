#pragma once

#include <QString>

// The main window's memory view captions: the program's only record of what the unit's pages
// hold. The transfer run reads them back to plan which pages it must erase.
class MemoryView {
public:
    virtual ~MemoryView() = default;
    // Page 1..4: the CPU column ("------" for an empty page) and the size column ("----").
    virtual QString CpuCaption(int page) const = 0;
    virtual QString SizeCaption(int page) const = 0;
};

// The captions an empty page shows.
inline constexpr const char* kEmptyCpuCaption = "------";
inline constexpr const char* kEmptySizeCaption = "----";
