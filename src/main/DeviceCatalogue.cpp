#include "main/DeviceCatalogue.h"

#include <array>

namespace {

struct CpuEntry {
    int16_t code;
    const char* name;
    bool namedByCode; // whether CpuNameOf gives the name back for the code
};

// Indexed by code. Nine entries are not offered by the selector (46, 47, 48, 57, 61, 62, 63,
// 64, 67); the unit can still report them, so CpuNameOf names them, except 67, which the
// unit's own software never names.
//
//  code  name       namedByCode
constexpr std::array<CpuEntry, kCpuCodeCount> kCatalogue{{
    {  0, "3048F",   true  },
    {  1, "3334YF",  true  },
    {  2, "3337YF",  true  },
    {  3, "3434F",   true  },
    {  4, "3437F",   true  },
    {  5, "3644F",   true  },
    {  6, "538F",    true  },
    {  7, "539F",    true  },
    {  8, "539SF",   true  },
    {  9, "3039F",   true  },
    { 10, "3062F",   true  },
    { 11, "3067F",   true  },
    { 12, "2357F",   true  },
    { 13, "3337SF",  true  },
    { 14, "3437SF",  true  },
    { 15, "2142F",   true  },
    { 16, "2144F",   true  },
    { 17, "2148F",   true  },
    { 18, "2132F",   true  },
    { 19, "2134F",   true  },
    { 20, "2138F",   true  },
    { 21, "2128F",   true  },
    { 22, "2345F",   true  },
    { 23, "3857F",   true  },
    { 24, "SH7017",  true  },
    { 25, "SH7050",  true  },
    { 26, "2623F",   true  },
    { 27, "2633F",   true  },
    { 28, "SH7044",  true  },
    { 29, "SH7045",  true  },
    { 30, "SH7051",  true  },
    { 31, "SH7055",  true  },
    { 32, "3022F",   true  },
    { 33, "3052F",   true  },
    { 34, "3062RF",  true  },
    { 35, "3062AF",  true  },
    { 36, "3064F",   true  },
    { 37, "2238F",   true  },
    { 38, "2328F",   true  },
    { 39, "2338F",   true  },
    { 40, "3664F",   true  },
    { 41, "2132RF",  true  },
    { 42, "2142RF",  true  },
    { 43, "2134AF",  true  },
    { 44, "2138AF",  true  },
    { 45, "SH7046",  true  },
    { 46, "SH7047",  true  },
    { 47, "2318F",   true  },
    { 48, "2315F",   true  },
    { 49, "2329F",   true  },
    { 50, "2339F",   true  },
    { 51, "SH7052",  true  },
    { 52, "SH7053",  true  },
    { 53, "SH7054",  true  },
    { 54, "2626F",   true  },
    { 55, "2214F",   true  },
    { 56, "2149YF",  true  },
    { 57, "2169YF",  true  },
    { 58, "2144AF",  true  },
    { 59, "2148AF",  true  },
    { 60, "2258F",   true  },
    { 61, "2676F",   true  },
    { 62, "2677F",   true  },
    { 63, "2643F",   true  },
    { 64, "2319F",   true  },
    { 65, "3068F",   true  },
    { 66, "2636F",   true  },
    { 67, "2638F",   false },
    { 68, "3048BF",  true  },
    { 69, "3664N",   true  },
    { 70, "3672F",   true  },
    { 71, "3670F",   true  },
    { 72, "3052BF",  true  },
    { 73, "3062BF",  true  },
    { 74, "3064BF",  true  },
    { 75, "2612F",   true  },
}};

// The selector's order: each base type first, its variants after it in the maker's order.
constexpr std::array<const char*, 67> kListOrder{
    "2128F",  "2132F",  "2132RF", "2134F",  "2134AF", "2138F",  "2138AF", "2142F",  "2142RF", "2144F",
    "2144AF", "2148F",  "2148AF", "2149YF", "2214F",  "2238F",  "2258F",  "2328F",  "2329F",  "2338F",
    "2339F",  "2345F",  "2357F",  "2612F",  "2623F",  "2626F",  "2633F",  "2636F",  "3022F",  "3039F",
    "3048F",  "3048BF", "3052F",  "3052BF", "3062F",  "3062RF", "3062AF", "3062BF", "3064F",  "3064BF",
    "3067F",  "3068F",  "3334YF", "3337YF", "3337SF", "3434F",  "3437F",  "3437SF", "3644F",  "3664F",
    "3664N",  "3670F",  "3672F",  "3857F",  "538F",   "539F",   "539SF",  "SH7017", "SH7044", "SH7045",
    "SH7046", "SH7050", "SH7051", "SH7052", "SH7053", "SH7054", "SH7055",
};

} // namespace

std::optional<int16_t> FindCpuCode(const QString& name)
{
    const QString upper = name.toUpper();
    for (const CpuEntry& entry : kCatalogue) {
        if (upper == QLatin1String(entry.name))
            return entry.code;
    }
    return std::nullopt;
}

int16_t CpuCodeOf(const QString& name)
{
    return FindCpuCode(name).value_or(0);
}

QString CpuNameOf(int code)
{
    if (code < 0 || code >= kCpuCodeCount || !kCatalogue[code].namedByCode)
        return QString();
    return QLatin1String(kCatalogue[code].name);
}

QString CatalogueName(int code)
{
    if (code < 0 || code >= kCpuCodeCount)
        return QString();
    return QLatin1String(kCatalogue[code].name);
}

const QStringList& CpuListNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const char* name : kListOrder)
            list.append(QLatin1String(name));
        return list;
    }();
    return names;
}
