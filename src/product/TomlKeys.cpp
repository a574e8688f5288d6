#include "product/TomlKeys.h"

#include <QStringList>

#include <algorithm>
#include <sstream>

namespace product {

namespace {

bool HasKind(const toml::node& node, ValueKind kind)
{
    switch (kind) {
    case ValueKind::String:
        return node.is_string();
    case ValueKind::Integer:
        return node.is_integer();
    case ValueKind::Number:
        return node.is_number();
    case ValueKind::Boolean:
        return node.is_boolean();
    case ValueKind::Table:
        return node.is_table();
    case ValueKind::TableArray:
        return node.is_array_of_tables();
    }
    return false;
}

const char* KindText(ValueKind kind)
{
    switch (kind) {
    case ValueKind::String:
        return "a string";
    case ValueKind::Integer:
        return "an integer";
    case ValueKind::Number:
        return "a number";
    case ValueKind::Boolean:
        return "true or false";
    case ValueKind::Table:
        return "a table";
    case ValueKind::TableArray:
        return "an array of tables";
    }
    return "";
}

QString TypeText(const toml::node& node)
{
    std::ostringstream text;
    text << node.type();
    return QString::fromStdString(text.str());
}

QString KnownKeys(std::span<const KeyRule> rules)
{
    QStringList keys;
    for (const KeyRule& rule : rules)
        keys.append(QString::fromLatin1(rule.key));
    return keys.join(QLatin1String(", "));
}

} // namespace

int LineOf(const toml::node& node)
{
    return static_cast<int>(node.source().begin.line);
}

QString KeyName(const QString& section, const char* key)
{
    return section.isEmpty() ? QString::fromLatin1(key) : section + QLatin1Char('.') + QLatin1String(key);
}

void CheckKeys(const toml::table& table, std::span<const KeyRule> rules, const QString& section, FaultSink& sink)
{
    for (auto&& [key, node] : table) {
        const std::string name(key.str());
        const auto rule = std::find_if(rules.begin(), rules.end(), [&name](const KeyRule& r) { return name == r.key; });
        const int line = static_cast<int>(key.source().begin.line);
        if (rule == rules.end())
            sink.Add(line, KeyName(section, name.c_str()),
                     QStringLiteral("unknown key; the keys here are %1").arg(KnownKeys(rules)));
        else if (!HasKind(node, rule->kind))
            sink.Add(line, KeyName(section, rule->key),
                     QStringLiteral("%1 is needed, not %2").arg(QLatin1String(KindText(rule->kind)), TypeText(node)));
    }
    for (const KeyRule& rule : rules) {
        if (rule.required && !table.contains(rule.key))
            sink.Add(LineOf(table), KeyName(section, rule.key), QStringLiteral("missing"));
    }
}

std::optional<QString> StringAt(const toml::table& table, const char* key)
{
    if (const auto* value = table.get_as<std::string>(key))
        return QString::fromStdString(value->get());
    return std::nullopt;
}

std::optional<int64_t> IntegerAt(const toml::table& table, const char* key)
{
    if (const auto* value = table.get_as<int64_t>(key))
        return value->get();
    return std::nullopt;
}

std::optional<double> NumberAt(const toml::table& table, const char* key)
{
    const toml::node* node = table.get(key);
    if (node == nullptr || !node->is_number())
        return std::nullopt;
    return node->value<double>();
}

std::optional<bool> BooleanAt(const toml::table& table, const char* key)
{
    if (const auto* value = table.get_as<bool>(key))
        return value->get();
    return std::nullopt;
}

int LineAt(const toml::table& table, const char* key)
{
    const toml::node* node = table.get(key);
    return node != nullptr ? LineOf(*node) : LineOf(table);
}

} // namespace product
