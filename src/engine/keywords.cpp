// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/keywords.h"

#include "platform/text.h"
#include "platform/utf8.h"
#include "store/condition.h"

#include <array>

namespace sv {
namespace {

std::vector<std::optional<Mask>> PrepareMasks(const std::vector<std::string>& keywords) {
    std::vector<std::optional<Mask>> masks;
    masks.reserve(keywords.size());
    for (const std::string& keyword : keywords) {
        if (Mask::IsMask(keyword))
            masks.emplace_back(Mask(keyword));
        else
            masks.emplace_back();
    }
    return masks;
}

// The folded name, decoded to code points only once a mask needs it.
class Subject final {
public:
    explicit Subject(std::string_view text) : m_text(text) {}

    bool Contains(std::string_view keyword) const { return m_text.find(keyword) != std::string_view::npos; }
    bool Matches(const Mask& mask) {
        if (!m_decoded) {
            thread_local std::u32string buffer;
            buffer.clear();
            for (std::size_t pos = 0; pos < m_text.size();)
                buffer.push_back(Utf8Next(m_text, pos));
            m_chars = buffer;
            m_decoded = true;
        }
        return mask.Matches(m_chars);
    }

private:
    std::string_view m_text;
    std::u32string_view m_chars;
    bool m_decoded = false;
};

// OR: true at the first keyword that matches; AND: false at the first that does not.
bool Walk(Subject& subject, const std::vector<std::string>& keywords,
          const std::vector<std::optional<Mask>>& masks, bool orMode) {
    if (keywords.empty())
        return false;
    const bool prepared = masks.size() == keywords.size();
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        bool hit = false;
        if (prepared)
            hit = masks[i] ? subject.Matches(*masks[i]) : subject.Contains(keywords[i]);
        else
            hit = Mask::IsMask(keywords[i]) ? subject.Matches(Mask(keywords[i]))
                                            : subject.Contains(keywords[i]);
        if (hit == orMode)
            return orMode;
    }
    return !orMode;
}

} // namespace

TKeywordLists ParseKeywords(std::string_view keywords, FoldFlags fold) {
    TKeywordLists lists;
    lists.fold = fold;
    TKeywordSplit split = SplitKeywords(keywords, fold);
    lists.sorting = std::move(split.sorting);
    lists.exclusion = std::move(split.exclusion);
    lists.sortingMasks = PrepareMasks(lists.sorting);
    lists.exclusionMasks = PrepareMasks(lists.exclusion);
    return lists;
}

TKeywordLists ParseKeywords(std::string_view keywordText, std::string_view destText) {
    TKeywordLists lists = ParseKeywords(Keywords(keywordText), FoldFlagsOf(destText));
    lists.keywordOr = HasMarker(destText, mark::KeywordOr);
    lists.excludeOr = HasMarker(destText, mark::ExcludeOr);
    return lists;
}

bool MatchesCondition(std::string_view name, const TKeywordLists& lists) {
    if (lists.sorting.empty())
        return false;
    // Reused per thread: a run folds every name once per condition.
    thread_local std::string folded;
    std::string_view text = name;
    if (lists.fold.Any()) {
        folded.clear();
        FoldAppend(folded, name, lists.fold);
        text = folded;
    }
    return MatchesFoldedName(text, lists);
}

bool MatchesFoldedName(std::string_view folded, const TKeywordLists& lists) {
    if (lists.sorting.empty())
        return false;
    Subject subject(folded);
    if (Walk(subject, lists.exclusion, lists.exclusionMasks, lists.excludeOr))
        return false;
    return Walk(subject, lists.sorting, lists.sortingMasks, lists.keywordOr);
}

bool ContainsNgKeyword(std::string_view name, std::string_view ngText) {
    // A full-width blank separates like a blank.
    constexpr std::string_view kWideBlank = "\u3000";
    std::string text;
    text.reserve(ngText.size());
    for (std::size_t pos = 0; pos < ngText.size();) {
        if (ngText.substr(pos, kWideBlank.size()) == kWideBlank) {
            text.push_back(' ');
            pos += kWideBlank.size();
        } else {
            text.push_back(ngText[pos++]);
        }
    }
    std::string_view rest = text;
    while (!(rest = TrimView(rest)).empty()) {
        const std::size_t blank = rest.find(' ');
        const std::string_view token = rest.substr(0, blank);
        if (name.find(token) != std::string_view::npos)
            return true;
        if (blank == std::string_view::npos)
            break;
        rest.remove_prefix(blank + 1);
    }
    return false;
}

} // namespace sv
