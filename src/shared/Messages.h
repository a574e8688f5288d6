#pragma once

#include "shared/MessageTable.h"

// The questions of the page planning: title and text of an OK / Cancel box.
namespace Msg {

inline constexpr const char* kLowerSpillTitle = "ページを跨いだデータの書換え";
inline constexpr const char* kLowerSpillText = "このページに跨る上側ページのデータを消去します";
inline constexpr const char* kUpperSpillTitle = "ページを跨ぐデータ";
inline constexpr const char* kErasePagesSuffix = "ページを消去します";
inline constexpr const char* kEraseAllPages = "全ページ消去します";

} // namespace Msg
