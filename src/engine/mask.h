// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

// A file mask, prepared once and then matched against whole names:
// "*" any run of characters, "?" exactly one character, "[...]" one character of a set with
// "a-z" ranges ("[!...]" one character outside it); anything else stands for itself. Every unit is
// a whole character, never a byte of one. ASCII letters compare case-blind; all other characters
// compare exactly, so case folding of other letters is up to the folded texts.
//
// A mask with an unclosed "[" or more than 30 "*" is not valid and matches nothing.
//
// Matching takes O(name length x mask length) at most: the stars split the mask into parts of
// fixed length, and taking each middle part at its leftmost fit is never worse than any later one.
class Mask final {
public:
    static constexpr int kMaxStars = 30;

    explicit Mask(std::string_view pattern);

    // Whether a keyword is to be taken as a mask rather than as a substring.
    static bool IsMask(std::string_view keyword);

    bool Valid() const { return m_valid; }
    bool Matches(std::u32string_view name) const;
    bool Matches(std::string_view name) const;

private:
    enum class Kind : std::uint8_t { Char, Any, Set };
    struct Element final {
        Kind kind;
        char32_t ch;         // Char: the character, ASCII letters in lower case
        std::uint32_t range; // Set: first range in m_ranges
        std::uint32_t count; // Set: number of ranges
        bool negate;         // Set: "[!...]"
    };
    struct Range final {
        char32_t lo;
        char32_t hi;
    };
    // Elements [begin, end) of one star-free part.
    struct Part final {
        std::uint32_t begin;
        std::uint32_t end;
        std::size_t Size() const { return end - begin; }
    };

    bool ElementMatches(const Element& e, char32_t c) const;
    bool PartMatchesAt(const Part& part, std::u32string_view name, std::size_t at) const;

    std::vector<Element> m_elements;
    std::vector<Range> m_ranges;
    std::vector<Part> m_parts; // one more than the stars (after merging adjacent ones)
    bool m_valid = false;
};

} // namespace sv
