// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/mask.h"

#include "platform/utf8.h"

namespace sv {
namespace {

char32_t AsciiLower(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c;
}

bool IsAsciiLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

} // namespace

bool Mask::IsMask(std::string_view keyword) {
    return keyword.find_first_of("*?") != std::string_view::npos;
}

Mask::Mask(std::string_view pattern) {
    const std::u32string text = Utf8ToU32(pattern);
    int stars = 0;
    std::uint32_t partBegin = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == U'*') {
            if (++stars > kMaxStars)
                return;
            // Adjacent stars are one star.
            if (i == 0 || text[i - 1] != U'*') {
                m_parts.push_back({partBegin, static_cast<std::uint32_t>(m_elements.size())});
                partBegin = static_cast<std::uint32_t>(m_elements.size());
            }
        } else if (c == U'?') {
            m_elements.push_back({Kind::Any, 0, 0, 0, false});
        } else if (c == U'[') {
            const std::size_t close = text.find(U']', i + 1);
            if (close == std::u32string::npos)
                return;
            Element set{Kind::Set, 0, static_cast<std::uint32_t>(m_ranges.size()), 0, false};
            std::size_t j = i + 1;
            if (j < close && text[j] == U'!') {
                set.negate = true;
                ++j;
            }
            while (j < close) {
                // "a-z" is a range; a "-" with nothing after it stands for itself.
                if (j + 2 < close && text[j + 1] == U'-') {
                    m_ranges.push_back({text[j], text[j + 2]});
                    j += 3;
                } else {
                    m_ranges.push_back({text[j], text[j]});
                    ++j;
                }
            }
            set.count = static_cast<std::uint32_t>(m_ranges.size()) - set.range;
            m_elements.push_back(set);
            i = close;
        } else {
            m_elements.push_back({Kind::Char, AsciiLower(c), 0, 0, false});
        }
    }
    m_parts.push_back({partBegin, static_cast<std::uint32_t>(m_elements.size())});
    m_valid = true;
}

bool Mask::ElementMatches(const Element& e, char32_t c) const {
    switch (e.kind) {
    case Kind::Any:
        return true;
    case Kind::Char:
        return AsciiLower(c) == e.ch;
    case Kind::Set:
        break;
    }
    // Both cases of an ASCII letter are tried, so "[a-c]" takes "B" as it takes "b".
    const char32_t other = IsAsciiLetter(c) ? (c ^ 0x20) : c;
    bool in = false;
    for (std::uint32_t r = e.range; r < e.range + e.count && !in; ++r) {
        const Range& range = m_ranges[r];
        in = (c >= range.lo && c <= range.hi) || (other >= range.lo && other <= range.hi);
    }
    return in != e.negate;
}

bool Mask::PartMatchesAt(const Part& part, std::u32string_view name, std::size_t at) const {
    for (std::uint32_t k = part.begin; k < part.end; ++k) {
        if (!ElementMatches(m_elements[k], name[at + (k - part.begin)]))
            return false;
    }
    return true;
}

bool Mask::Matches(std::u32string_view name) const {
    if (!m_valid)
        return false;
    const Part& head = m_parts.front();
    if (m_parts.size() == 1)
        return name.size() == head.Size() && PartMatchesAt(head, name, 0);

    const Part& tail = m_parts.back();
    if (head.Size() + tail.Size() > name.size())
        return false;
    if (!PartMatchesAt(head, name, 0) || !PartMatchesAt(tail, name, name.size() - tail.Size()))
        return false;
    std::size_t pos = head.Size();
    const std::size_t end = name.size() - tail.Size();
    for (std::size_t p = 1; p + 1 < m_parts.size(); ++p) {
        const Part& part = m_parts[p];
        bool found = false;
        for (; pos + part.Size() <= end; ++pos) {
            if (PartMatchesAt(part, name, pos)) {
                found = true;
                break;
            }
        }
        if (!found)
            return false;
        pos += part.Size();
    }
    return true;
}

bool Mask::Matches(std::string_view name) const {
    return m_valid && Matches(Utf8ToU32(name));
}

} // namespace sv
