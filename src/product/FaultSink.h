#pragma once

#include "product/Product.h"

#include <QString>

#include <vector>

namespace product {

// Collects the faults of one product file, so that one reading reports all of them.
class FaultSink {
public:
    explicit FaultSink(QString file) : file_(std::move(file)) {}

    void Add(int line, const QString& key, const QString& text) { faults_.push_back({file_, line, key, text}); }
    bool Empty() const { return faults_.empty(); }
    size_t Count() const { return faults_.size(); }
    // In the order of their lines; the file's own faults first.
    std::vector<Fault> Sorted() const;

private:
    QString file_;
    std::vector<Fault> faults_;
};

} // namespace product
