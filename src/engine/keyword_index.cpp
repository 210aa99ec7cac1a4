// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/keyword_index.h"

#include "engine/mask.h"

#include <algorithm>

namespace sv {

std::uint32_t KeywordIndex::Automaton::Add(std::string_view keyword) {
    if (const auto known = ids.find(keyword); known != ids.end())
        return known->second;
    std::uint32_t node = 0;
    for (const char ch : keyword) {
        const std::uint64_t key = std::uint64_t{node} << 8 | static_cast<unsigned char>(ch);
        const auto child = next.find(key);
        if (child != next.end()) {
            node = child->second;
            continue;
        }
        nodes.push_back(Node{});
        const auto created = static_cast<std::uint32_t>(nodes.size() - 1);
        next.emplace(key, created);
        node = created;
    }
    const std::uint32_t id = patterns++;
    nodes[node].pattern = static_cast<std::int32_t>(id);
    ids.emplace(keyword, id);
    return id;
}

// Failure links breadth first: a node's link is the longest proper suffix of its text that is
// also in the trie.
void KeywordIndex::Automaton::Finish() {
    std::vector<std::vector<std::pair<unsigned char, std::uint32_t>>> children(nodes.size());
    for (const auto& [key, child] : next)
        children[key >> 8].emplace_back(static_cast<unsigned char>(key & 0xFF), child);
    fromRoot.fill(0);
    std::vector<std::uint32_t> queue;
    for (const auto& [c, child] : children[0]) {
        fromRoot[c] = child;
        queue.push_back(child);
    }
    for (std::size_t at = 0; at < queue.size(); ++at) {
        const std::uint32_t u = queue[at];
        for (const auto& [c, v] : children[u]) {
            nodes[v].fail = Step(nodes[u].fail, c);
            const Node& f = nodes[nodes[v].fail];
            nodes[v].output = f.pattern >= 0 ? nodes[v].fail : f.output;
            queue.push_back(v);
        }
    }
}

std::uint32_t KeywordIndex::Automaton::Step(std::uint32_t node, unsigned char c) const {
    while (node != 0) {
        const auto child = next.find(std::uint64_t{node} << 8 | c);
        if (child != next.end())
            return child->second;
        node = nodes[node].fail;
    }
    return fromRoot[c];
}

KeywordIndex::KeywordIndex(const std::vector<const TKeywordLists*>& conditions) {
    m_plans.resize(conditions.size());
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        const TKeywordLists& lists = *conditions[i];
        Plan& plan = m_plans[i];
        if (lists.sorting.empty()) {
            plan.none = true;
            continue;
        }
        Automaton& automaton = m_automata[static_cast<std::size_t>(FoldKey(lists.fold))];
        // An empty keyword occurs in every name, and a mask is decided on the whole name.
        auto searchable = [](const std::string& k) { return !k.empty() && !Mask::IsMask(k); };
        if (lists.keywordOr) {
            plan.anyOf = true;
            if (!std::all_of(lists.sorting.begin(), lists.sorting.end(), searchable)) {
                plan.every = true;
                continue;
            }
            for (const std::string& keyword : lists.sorting)
                plan.patterns.push_back(automaton.Add(keyword));
        } else {
            // Every keyword must occur, so one of them is enough to find the candidates.
            const auto anchor = std::find_if(lists.sorting.begin(), lists.sorting.end(), searchable);
            if (anchor == lists.sorting.end())
                plan.every = true;
            else
                plan.patterns.push_back(automaton.Add(*anchor));
        }
    }
    for (Automaton& automaton : m_automata)
        automaton.Finish();
}

void KeywordIndex::Scan(int foldKey, std::string_view folded, std::vector<std::uint32_t>& found) const {
    const Automaton& automaton = m_automata[static_cast<std::size_t>(foldKey)];
    if (automaton.patterns == 0)
        return;
    const std::size_t first = found.size();
    std::uint32_t node = 0;
    for (const char ch : folded) {
        node = automaton.Step(node, static_cast<unsigned char>(ch));
        for (std::uint32_t x = automaton.nodes[node].pattern >= 0 ? node : automaton.nodes[node].output;
             x != 0; x = automaton.nodes[x].output)
            found.push_back(static_cast<std::uint32_t>(automaton.nodes[x].pattern));
    }
    std::sort(found.begin() + static_cast<std::ptrdiff_t>(first), found.end());
    found.erase(std::unique(found.begin() + static_cast<std::ptrdiff_t>(first), found.end()), found.end());
}

} // namespace sv
