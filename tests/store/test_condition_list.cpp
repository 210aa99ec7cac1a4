// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/condition_list.h"

#include <gtest/gtest.h>

namespace sv {
namespace {

TSortCondition Cond(const std::string& name) {
    return {name, "\\dest\\" + name +
                      "\x05"
                      "0  1022"};
}

std::vector<std::string> Names(const TConditionList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
        names.push_back(list.At(i).keywordText);
    return names;
}

using Strings = std::vector<std::string>;

TEST(ConditionTable, InsertRemoveSwapAndMoveKeepTheOrder) {
    TConditionList list;
    EXPECT_EQ(list.Count(), 0);
    ASSERT_TRUE(list.InsertAt(0, Cond("a")).ok());
    ASSERT_TRUE(list.InsertAt(0, Cond("b")).ok());
    ASSERT_TRUE(list.InsertAt(2, Cond("c")).ok());
    ASSERT_TRUE(list.InsertAt(1, Cond("d")).ok());
    EXPECT_EQ(Names(list), (Strings{"b", "d", "a", "c"}));
    list.Swap(0);
    EXPECT_EQ(Names(list), (Strings{"d", "b", "a", "c"}));
    list.Move(0, 3);
    EXPECT_EQ(Names(list), (Strings{"b", "a", "c", "d"}));
    list.Move(3, 1);
    EXPECT_EQ(Names(list), (Strings{"b", "d", "a", "c"}));
    list.RemoveAt(1);
    EXPECT_EQ(Names(list), (Strings{"b", "a", "c"}));
    EXPECT_TRUE(list.At(3).destText.empty());
    list.RemoveAt(2);
    list.RemoveAt(0);
    list.RemoveAt(0);
    EXPECT_EQ(list.Count(), 0);
}

TEST(ConditionTable, FullTableRefusesAndLosesNothing) {
    TConditionList list;
    for (int i = 0; i < TConditionList::kCapacity; ++i)
        list.Put(i, Cond(std::to_string(i)));
    EXPECT_EQ(list.Count(), 10000);
    EXPECT_TRUE(list.IsFull());
    EXPECT_EQ(ConditionCountLabel(list.Count()), "振り分け条件 （10000個の項目）");
    const Status refused = list.InsertAt(0, Cond("new"));
    EXPECT_FALSE(refused.ok());
    EXPECT_FALSE(refused.error().empty());
    EXPECT_EQ(list.At(0).keywordText, "0");
    EXPECT_EQ(list.At(9999).keywordText, "9999");
    list.RemoveAt(5000);
    EXPECT_TRUE(list.InsertAt(0, Cond("new")).ok());
    EXPECT_EQ(list.At(9999).keywordText, "9999");
}

TEST(ConditionTable, EmptyCodedTextEndsTheListButSlotsBehindItSurvive) {
    TConditionList list;
    list.Put(0, Cond("a"));
    list.Put(1, {"orphan keyword", ""});
    list.Put(2, Cond("c"));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.UsedSlots(), 3);
    list.Put(1, Cond("b"));
    EXPECT_EQ(list.Count(), 3);
    // A slot with a coded text but no keyword text is a condition (it matches nothing).
    list.Put(1, {"", "\\dest"});
    EXPECT_EQ(list.Count(), 3);
    // A full table counts its last slot even when that slot is hidden behind a gap.
    list.Put(9999, {"x", ""});
    EXPECT_TRUE(list.IsFull());
    EXPECT_FALSE(list.InsertAt(0, Cond("new")).ok());
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.UsedSlots(), 0);
}

TEST(ListRow, ShowsNameSourceKeywordPrefixDestinationAndCheck) {
    TListRow row = BuildListRow({"abc//名前", "\x08"
                                              "D:\\a\\\\\\\x05"
                                              "0  1022</E:\\dl"});
    EXPECT_EQ(row.caption, "名前");
    EXPECT_EQ(row.source, "E:\\dl");
    EXPECT_EQ(row.keywords, "abc");
    EXPECT_EQ(row.dest, "D:\\a\\");
    EXPECT_TRUE(row.checked);

    // Without "<" the source column says the main window's folder is used, even with a text.
    row = BuildListRow({"abc /tmp", "D:\\a/E:\\dl"});
    EXPECT_EQ(row.source, "<標準>");
    EXPECT_EQ(row.keywords, "abc /tmp") << "one keyword of each kind gives no prefix";
    EXPECT_EQ(row.caption, "");
    EXPECT_FALSE(row.checked);

    EXPECT_EQ(BuildListRow({"a b", "D:\\a|"}).keywords, "<OR><> a b");
    EXPECT_EQ(BuildListRow({"a b", "D:\\a"}).keywords, "<AND><> a b");
    EXPECT_EQ(BuildListRow({"a /x /y", "D:\\a\x11"}).keywords, "<><OR> a /x /y");
    EXPECT_EQ(BuildListRow({"a b /x /y", "D:\\a"}).keywords, "<AND><AND> a b /x /y");
    // The split folds as the row's own condition says: a full-width blank separates only with
    // width folding.
    EXPECT_EQ(BuildListRow({"ａ　ｂ", "D:\\a"}).keywords, "ａ　ｂ");
    EXPECT_EQ(BuildListRow({"ａ　ｂ", "D:\\a*"}).keywords, "<AND><> ａ　ｂ");
}

} // namespace
} // namespace sv
