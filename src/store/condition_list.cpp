// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/condition_list.h"

#include "platform/text.h"
#include "store/keyword_syntax.h"

#include <algorithm>
#include <cassert>

namespace sv {

TConditionList::TConditionList() : m_slots(kCapacity) {}

bool TConditionList::IsFull() const {
    const TSortCondition& last = m_slots.back();
    return !last.keywordText.empty() || !last.destText.empty();
}

const TSortCondition& TConditionList::At(int i) const {
    assert(i >= 0 && i < kCapacity);
    return m_slots[static_cast<std::size_t>(i)];
}

void TConditionList::Put(int i, TSortCondition condition) {
    assert(i >= 0 && i < kCapacity);
    const bool wasCondition = !m_slots[static_cast<std::size_t>(i)].destText.empty();
    m_slots[static_cast<std::size_t>(i)] = std::move(condition);
    const bool isCondition = !m_slots[static_cast<std::size_t>(i)].destText.empty();
    // Loading fills the slots in order; keep that linear instead of rescanning the table.
    if (i < m_count && !isCondition)
        m_count = i;
    else if (i == m_count && isCondition && !wasCondition)
        Recount(i);
}

Status TConditionList::InsertAt(int i, TSortCondition condition) {
    if (IsFull())
        return Status::Fail("振り分け条件は " + std::to_string(kCapacity) +
                            " 個までしか登録できません。不要な振り分け条件を削除してください。");
    assert(i >= 0 && i < kCapacity);
    m_slots.pop_back();
    m_slots.insert(m_slots.begin() + i, std::move(condition));
    Recount();
    return {};
}

int TConditionList::InsertAll(int i, std::vector<TSortCondition> conditions) {
    assert(i >= 0 && i <= kCapacity);
    const int room = kCapacity - UsedSlots();
    const int n = std::min(room, static_cast<int>(conditions.size()));
    if (n <= 0)
        return 0;
    // The free slots are all at the end: drop n of them and open the gap at i once.
    m_slots.resize(static_cast<std::size_t>(kCapacity - n));
    i = std::min(i, kCapacity - n);
    m_slots.insert(m_slots.begin() + i, std::make_move_iterator(conditions.begin()),
                   std::make_move_iterator(conditions.begin() + n));
    Recount();
    return n;
}

void TConditionList::RemoveAt(int i) {
    assert(i >= 0 && i < kCapacity);
    m_slots.erase(m_slots.begin() + i);
    m_slots.emplace_back();
    Recount();
}

void TConditionList::Swap(int i) {
    assert(i >= 0 && i + 1 < kCapacity);
    std::swap(m_slots[static_cast<std::size_t>(i)], m_slots[static_cast<std::size_t>(i) + 1]);
    Recount();
}

void TConditionList::Move(int from, int to) {
    assert(from >= 0 && from < kCapacity && to >= 0 && to < kCapacity);
    const auto f = m_slots.begin() + from;
    const auto t = m_slots.begin() + to;
    if (from < to)
        std::rotate(f, f + 1, t + 1);
    else if (to < from)
        std::rotate(t, f, f + 1);
    Recount();
}

void TConditionList::Clear() {
    for (auto& slot : m_slots)
        slot = {};
    m_count = 0;
}

int TConditionList::UsedSlots() const {
    for (int i = kCapacity; i > 0; --i) {
        const TSortCondition& c = m_slots[static_cast<std::size_t>(i) - 1];
        if (!c.keywordText.empty() || !c.destText.empty())
            return i;
    }
    return 0;
}

void TConditionList::Recount(int from) {
    const auto end = std::find_if(m_slots.begin() + from, m_slots.end(),
                                  [](const TSortCondition& c) { return c.destText.empty(); });
    m_count = static_cast<int>(end - m_slots.begin());
}

TListRow BuildListRow(const TSortCondition& condition) {
    const std::string_view dest = condition.destText;
    TListRow row;
    row.caption = SettingName(condition.keywordText);
    row.source = HasMarker(dest, mark::OwnSource) ? SourceFolder(dest) : std::string("<標準>");

    const std::string keywords = Keywords(Trim(condition.keywordText));
    const TKeywordSplit lists = SplitKeywords(Keywords(Trim(condition.keywordText)), FoldFlagsOf(dest));
    const bool keywordOr = HasMarker(dest, mark::KeywordOr);
    const bool excludeOr = HasMarker(dest, mark::ExcludeOr);
    const auto part = [](std::size_t n, bool orMode) -> std::string {
        if (n < 2)
            return "<>";
        return orMode ? "<OR>" : "<AND>";
    };
    std::string prefix =
        part(lists.sorting.size(), keywordOr) + part(lists.exclusion.size(), excludeOr) + " ";
    if (prefix == "<><> ")
        prefix.clear();
    row.keywords = prefix + keywords;
    row.dest = NormaliseFolderPath(DecodeDestFolder(dest));
    row.checked = IsChecked(dest);
    return row;
}

std::string ConditionCountLabel(int count) {
    return "振り分け条件 （" + std::to_string(count) + "個の項目）";
}

} // namespace sv
