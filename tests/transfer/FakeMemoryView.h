#pragma once

#include "shared/MemoryView.h"

#include <QString>

#include <array>

// The main window's memory view as the run reads it: every page empty unless a test says so.
class FakeMemoryView final : public MemoryView {
public:
    FakeMemoryView();
    void Occupy(int page, int kb);
    // Captions as start-up leaves them, before any memory check.
    void Blank(int page);
    void SetSizeCaption(int page, const QString& caption) { size_.at(static_cast<size_t>(page)) = caption; }
    QString CpuCaption(int page) const override { return cpu_.at(static_cast<size_t>(page)); }
    QString SizeCaption(int page) const override { return size_.at(static_cast<size_t>(page)); }

private:
    std::array<QString, 5> cpu_;
    std::array<QString, 5> size_;
};
