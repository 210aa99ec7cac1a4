// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sv {

// The foldings a condition asks for (1 = the distinction is not made).
struct FoldFlags final {
    bool kana = false;
    bool width = false;
    bool caseFold = false;
};

FoldFlags FoldFlagsOf(std::string_view destText);

// Hiragana to katakana, then full width to half width, then upper case, each when asked for.
std::string FoldText(std::string_view text, FoldFlags flags);

// The folded keywords of a condition. Mask keywords (holding "*" or "?") are prepared once here
// so that matching a name costs no parsing.
struct TKeywordLists final {
    std::vector<std::string> sorting;
    std::vector<std::string> exclusion;
    bool keywordOr = false;
    bool excludeOr = false;
    FoldFlags fold;
};

inline constexpr std::size_t kMaxKeywords = 127;

TKeywordLists ParseKeywords(std::string_view keywords, FoldFlags fold);
// From a condition's two texts: the keywords of the stored keyword text, folded and split by the
// flags and AND/OR markers of the coded destination text.
TKeywordLists ParseKeywords(std::string_view keywordText, std::string_view destText);

bool MatchesCondition(std::string_view name, const TKeywordLists& lists);

bool ContainsNgKeyword(std::string_view name, std::string_view ngText);

int CountKnownExtensions(std::string_view name);

} // namespace sv
