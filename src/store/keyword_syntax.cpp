// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/keyword_syntax.h"

#include "platform/text.h"
#include "store/condition.h"

namespace sv {
namespace {

// Collects the keywords while parsing. Both lists count toward the limit as they are parsed,
// including an empty exclusion keyword, which ends that list for matching.
class ListBuilder final {
public:
    explicit ListBuilder(TKeywordSplit& lists) : m_lists(lists) {}

    void Add(std::string_view token) {
        if (!token.empty() && token.front() == '/')
            AddExclusion(token.substr(1));
        else
            AddSorting(token);
    }
    void AddSorting(std::string_view keyword) {
        ++m_sortingCount;
        // Only an unclosed quote at the very end yields an empty one; nothing follows it.
        if (!keyword.empty())
            m_lists.sorting.emplace_back(keyword);
    }
    void AddExclusion(std::string_view keyword) {
        ++m_exclusionCount;
        if (keyword.empty())
            m_exclusionEnded = true;
        else if (!m_exclusionEnded)
            m_lists.exclusion.emplace_back(keyword);
    }
    bool Full() const { return m_sortingCount >= kMaxKeywords || m_exclusionCount >= kMaxKeywords; }

private:
    TKeywordSplit& m_lists;
    std::size_t m_sortingCount = 0;
    std::size_t m_exclusionCount = 0;
    bool m_exclusionEnded = false;
};

} // namespace

FoldFlags FoldFlagsOf(std::string_view destText) {
    FoldFlags flags;
    flags.kana = HasMarker(destText, mark::KanaFold);
    flags.width = HasMarker(destText, mark::WidthFold);
    flags.caseFold = HasMarker(destText, mark::CaseFold);
    return flags;
}

std::string FoldText(std::string_view text, FoldFlags flags) {
    return Fold(text, flags);
}

TKeywordSplit SplitKeywords(std::string_view keywords, FoldFlags fold) {
    TKeywordSplit lists;
    // Folding comes first, so full-width blanks, quotes and slashes act as their ASCII forms.
    const std::string folded = FoldText(keywords, fold);
    ListBuilder builder(lists);
    std::string_view rest = folded;
    while (!builder.Full()) {
        rest = TrimView(rest);
        if (rest.empty())
            break;
        if (rest.front() == '"') {
            rest.remove_prefix(1);
            const std::size_t close = rest.find('"');
            if (close == 0) {
                rest.remove_prefix(1);
                continue;
            }
            if (close == std::string_view::npos) {
                builder.Add(rest);
                break;
            }
            builder.Add(rest.substr(0, close));
            rest.remove_prefix(close + 1);
            continue;
        }
        const std::size_t blank = rest.find(' ');
        if (blank == std::string_view::npos) {
            builder.Add(rest);
            break;
        }
        builder.Add(rest.substr(0, blank));
        rest.remove_prefix(blank + 1);
    }
    return lists;
}

} // namespace sv
