// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/keywords.h"

#include "platform/utf8.h"
#include "store/condition.h"

#include <array>

namespace sv {
namespace {

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

std::string_view TrimView(std::string_view text) {
    while (!text.empty() && IsTrimmed(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

// Collects the keywords while parsing. Both lists count toward the limit as they are parsed,
// including an empty exclusion keyword, which ends that list for matching.
class ListBuilder final {
public:
    explicit ListBuilder(TKeywordLists& lists) : m_lists(lists) {}

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
    TKeywordLists& m_lists;
    std::size_t m_sortingCount = 0;
    std::size_t m_exclusionCount = 0;
    bool m_exclusionEnded = false;
};

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

// The order counts: the first extension found is the one removed (".htm" comes before ".html").
constexpr std::array<std::string_view, 61> kKnownExtensions = {
    ".wmv",  ".wma", ".avi", ".mpg", ".mpeg",   ".bmp", ".jpg", ".scr", ".cur", ".dll", ".mp3",
    ".wav",  ".qt",  ".rm",  ".ram", ".exe",    ".com", ".ocx", ".vbx", ".bat", ".vxd", ".js",
    ".lzh",  ".zip", ".cab", ".dat", ".tar",    ".jar", ".sys", ".reg", ".ini", ".inf", ".drv",
    ".jpeg", ".swf", ".rar", ".png", ".ttc",    ".cfg", ".pwl", ".bin", ".txt", ".hlp", ".htm",
    ".html", ".m2p", ".pdf", ".gid", ".css",    ".doc", ".csv", ".jxw", ".jsw", ".jtd", ".mpa",
    ".pif",  ".tif", ".jaw", ".jbw", ".folder", ".gjb"};

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

TKeywordLists ParseKeywords(std::string_view keywords, FoldFlags fold) {
    TKeywordLists lists;
    lists.fold = fold;
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
    Subject subject(text);
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

int CountKnownExtensions(std::string_view name) {
    std::string text = LowerCase(name);
    int count = 0;
    for (std::size_t i = 0; i < kKnownExtensions.size();) {
        const std::string_view ext = kKnownExtensions[i];
        const std::size_t p = text.find(ext);
        if (p == std::string::npos) {
            ++i;
            continue;
        }
        // The dot and all but the last letter go: the extension's length without its dot, in
        // characters, which are single bytes here as the dot and letters are ASCII.
        ++count;
        text.erase(p, ext.size() - 1);
        i = 0;
    }
    return count;
}

} // namespace sv
