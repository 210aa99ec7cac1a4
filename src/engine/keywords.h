// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/mask.h"
#include "platform/fold.h"
#include "platform/known_extensions.h"
#include "store/keyword_syntax.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

// The folded keywords of a condition. Mask keywords (holding "*" or "?") are prepared once here
// so that matching a name costs no parsing.
struct TKeywordLists final {
    std::vector<std::string> sorting;
    // Only the keywords in front of an empty one (a lone "/"): that one ends the list.
    std::vector<std::string> exclusion;
    bool keywordOr = false;
    bool excludeOr = false;
    FoldFlags fold;
    // Beside each keyword: its prepared mask, or nothing for a substring keyword. Lists built by
    // hand may leave these empty; their masks are then prepared on each match.
    std::vector<std::optional<Mask>> sortingMasks;
    std::vector<std::optional<Mask>> exclusionMasks;
};

TKeywordLists ParseKeywords(std::string_view keywords, FoldFlags fold);
// From a condition's two texts: the keywords of the stored keyword text, folded and split by the
// flags and AND/OR markers of the coded destination text.
TKeywordLists ParseKeywords(std::string_view keywordText, std::string_view destText);

// The entry name (no folder part) folded like the keywords, against the lists. A condition
// without sorting keywords matches nothing.
bool MatchesCondition(std::string_view name, const TKeywordLists& lists);
// The same test on a name already folded with `lists.fold`.
bool MatchesFoldedName(std::string_view folded, const TKeywordLists& lists);

// Whether the raw name contains one of the NG keywords, which are separated by blanks or
// full-width blanks. Case and width count.
bool ContainsNgKeyword(std::string_view name, std::string_view ngText);

} // namespace sv
