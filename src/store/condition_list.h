// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"
#include "store/condition.h"

#include <string>
#include <vector>

namespace sv {

// The main window's table of condition slots in list order. The conditions fill the leading
// slots; a slot is a condition exactly when its coded destination text is not empty, and the
// first slot whose coded destination text is empty ends the list. Slots behind such a gap (only a
// damaged file can make one) are kept as they are and written back, so nothing read is dropped.
class TConditionList final {
public:
    static constexpr int kCapacity = 10000;

    TConditionList();

    int Count() const { return m_count; }
    bool IsFull() const;

    const TSortCondition& At(int i) const;
    void Put(int i, TSortCondition condition);

    // Moves conditions i.. one slot down and stores the new one at i. A full table (its last slot
    // in use) refuses, so no stored condition is pushed out.
    Status InsertAt(int i, TSortCondition condition);
    // Inserts the conditions at i in their order in one pass, as many as the free slots take;
    // returns how many went in. The ones that do not fit are left out, never a stored one.
    int InsertAll(int i, std::vector<TSortCondition> conditions);
    void RemoveAt(int i);
    void Swap(int i); // i and i + 1
    void Move(int from, int to);
    void Clear();

    // Number of leading slots up to and including the last slot holding any text.
    int UsedSlots() const;

private:
    void Recount(int from = 0);

    std::vector<TSortCondition> m_slots;
    int m_count = 0;
};

// One row of the main window's list as plain data.
struct TListRow final {
    std::string caption;  // 設定名
    std::string source;   // 振り分け元フォルダ
    std::string keywords; // キーワード
    std::string dest;     // 振り分け先フォルダ
    bool checked = false;
};

TListRow BuildListRow(const TSortCondition& condition);

// "振り分け条件 （n個の項目）"
std::string ConditionCountLabel(int count);

} // namespace sv
