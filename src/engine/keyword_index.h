// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/keywords.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sv {

// Which conditions a name can match at all, for all conditions at once: the substring keywords
// of every condition with the same foldings are searched in one pass over the folded name
// (Aho-Corasick). A condition is a candidate for a name when its keywords can occur in it;
// masks and exclusions are left to MatchesFoldedName on the candidates, which decides exactly.
class KeywordIndex final {
public:
    static constexpr int kFoldKeys = 8;
    static int FoldKey(const FoldFlags& fold) {
        return (fold.kana ? 1 : 0) | (fold.width ? 2 : 0) | (fold.caseFold ? 4 : 0);
    }

    // How to find the candidates of one condition.
    struct Plan final {
        bool none = false;  // no sorting keyword: nothing matches
        bool every = false; // every name is a candidate (a mask decides, say)
        bool anyOf = false; // names holding any of `patterns`; otherwise names holding patterns[0]
        std::vector<std::uint32_t> patterns;
    };

    // The lists of every condition, in list order; they must outlive the index.
    explicit KeywordIndex(const std::vector<const TKeywordLists*>& conditions);

    const Plan& PlanOf(std::size_t condition) const { return m_plans[condition]; }
    std::size_t PatternCount(int foldKey) const {
        return m_automata[static_cast<std::size_t>(foldKey)].patterns;
    }
    // Appends the patterns of that folding that occur in `folded`, each once, in no fixed order.
    void Scan(int foldKey, std::string_view folded, std::vector<std::uint32_t>& found) const;

private:
    struct Node final {
        std::uint32_t fail = 0;
        std::int32_t pattern = -1; // the pattern ending here
        std::uint32_t output = 0;  // nearest node on the failure chain with a pattern (0: none)
    };
    struct Automaton final {
        std::vector<Node> nodes{Node{}};
        std::unordered_map<std::uint64_t, std::uint32_t> next; // node << 8 | byte
        std::array<std::uint32_t, 256> fromRoot{};
        std::unordered_map<std::string_view, std::uint32_t> ids;
        std::uint32_t patterns = 0;

        std::uint32_t Add(std::string_view keyword);
        void Finish();
        std::uint32_t Step(std::uint32_t node, unsigned char c) const;
    };

    std::array<Automaton, kFoldKeys> m_automata;
    std::vector<Plan> m_plans;
};

} // namespace sv
