// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fold.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

// The keyword syntax of a condition record: keywords are separated by blanks, one that begins
// with "/" is an exclusion keyword, one that begins with a double quote runs to the next one and
// may hold blanks. The list shows it and the run matches by it.

// FoldFlags (platform/fold.h): the foldings a condition asks for, read from its markers.
FoldFlags FoldFlagsOf(std::string_view destText);

// Hiragana to katakana, then full width to half width, then upper case, each when asked for.
// The text is folded whole, however long.
std::string FoldText(std::string_view text, FoldFlags flags);

inline constexpr std::size_t kMaxKeywords = 127;

// The folded keywords of a keyword text. Only the exclusion keywords in front of an empty one (a
// lone "/") count: that one ends the list.
struct TKeywordSplit final {
    std::vector<std::string> sorting;
    std::vector<std::string> exclusion;
};
TKeywordSplit SplitKeywords(std::string_view keywords, FoldFlags fold);

} // namespace sv
