#pragma once

// The shape of a product file's tables: which keys each may hold, of which TOML type, and
// which it must hold.

#include "product/FaultSink.h"

#include <toml++/toml.h>

#include <QString>

#include <optional>
#include <span>

namespace product {

enum class ValueKind { String, Integer, Number, Boolean, Table, TableArray };

struct KeyRule {
    const char* key;
    ValueKind kind;
    bool required;
};

// The line a node starts on; 0 when the library knows none.
int LineOf(const toml::node& node);

// The faults of `table`'s keys against `rules`, each named "<section>.<key>" (the key alone
// for the top level, whose section is empty): keys the rules do not know, values of another
// type, required keys that are missing (at the table's own line).
void CheckKeys(const toml::table& table, std::span<const KeyRule> rules, const QString& section, FaultSink& sink);

// "<section>.<key>", or the key alone at the top level.
QString KeyName(const QString& section, const char* key);

// The value of `key` when it is there with the rule's type; CheckKeys has reported it otherwise.
std::optional<QString> StringAt(const toml::table& table, const char* key);
std::optional<int64_t> IntegerAt(const toml::table& table, const char* key);
std::optional<double> NumberAt(const toml::table& table, const char* key);
std::optional<bool> BooleanAt(const toml::table& table, const char* key);
// The line of `key`'s value, else the table's.
int LineAt(const toml::table& table, const char* key);

} // namespace product
