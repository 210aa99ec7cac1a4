// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cp932.h"
#include "store/history_file.h"
#include "store/record_text.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <random>

namespace sv {
namespace {

TEST(RecordText, NamesTheCodePageHoldsExactlyAreWrittenUnchanged) {
    for (const char* name :
         {"movie.avi", "アニメ 第1話.mp4", "ｱﾆﾒ\\~!#$%'()-=^@[]{};+,.", "a&b", "&#", "表示"})
        EXPECT_EQ(EscapeRecordText(name), name);
}

TEST(RecordText, WhatTheCodePageCannotHoldExactlyIsEscapedAsAscii) {
    EXPECT_EQ(EscapeRecordText("abc \u00a5100"), "abc &#xA5;100");
    EXPECT_EQ(EscapeRecordText("abc \u203e"), "abc &#x203E;");
    EXPECT_EQ(EscapeRecordText("caf\u00e9"), "caf&#xE9;");
    EXPECT_EQ(EscapeRecordText("a\nb\tc\x7f"), "a&#xA;b&#x9;c&#x7F;");
    EXPECT_EQ(EscapeRecordText("\U0001F600"), "&#x1F600;");
    EXPECT_EQ(EscapeRecordText("a\xff\xc3"), "a&#xDCFF;&#xDCC3;");
    EXPECT_EQ(EscapeRecordText("\uF741"), "&#xF741;");
    EXPECT_EQ(EscapeRecordText("&#xE9;"), "&#x26;#xE9;");
    EXPECT_EQ(EscapeRecordText("\\a*b"), "\\a*b");
    EXPECT_EQ(EscapeRecordText("\\a*b", true), "\\a&#x2A;b");
    // Every escaped text is plain code page 932 without control characters.
    const std::string escaped = EscapeRecordText("x\u00e9\n\xff\u00a5");
    ASSERT_TRUE(Utf8ToCp932(escaped).has_value());
    EXPECT_EQ(escaped.find_first_of("\r\n"), std::string::npos);
}

TEST(RecordText, EveryByteSequenceReadsBackExactly) {
    std::mt19937 rng(20);
    const std::string alphabet[] = {"a",      "&",      "#",      "x",      "4",          "1",
                                    ";",      "*",      "\n",     "\xff",   "\xc3",       "\xa9",
                                    "\u00e9", "\u00a5", "\u30a2", "\uF700", "\U0001F600", "\\"};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(alphabet) - 1);
    for (int round = 0; round < 3000; ++round) {
        std::string name;
        for (int i = 0; i < 12; ++i)
            name += alphabet[pick(rng)];
        const std::string record = EscapeRecordText(name, round % 2 == 0);
        ASSERT_EQ(UnescapeRecordText(record), name) << record;
        // Written to History.dat and read back, the record is the same text.
        ASSERT_EQ(Cp932ToUtf8(Utf8ToCp932Lossy(record)), record);
    }
    // Text that only looks like the start of an escape stays as it is.
    for (const char* text : {"&#x", "&#x;", "&#xZZ;", "&#x41", "&#xD800;", "&#x110000;"})
        EXPECT_EQ(UnescapeRecordText(text), text);
}

TEST(RecordText, TheItemPathOfARecordIsTheSortedItem) {
    const THistoryEntry entry = HistoryEntryFromLines("26/12/08 10:00:00", "  ", "caf&#xE9;&#xA;.txt",
                                                      "\\home\\u\\d&#x2A;1*\\home\\u\\src&#xDCFF;");
    EXPECT_EQ(HistoryItemPath(entry), "\\home\\u\\d*1\\caf\u00e9\n.txt");
    EXPECT_EQ(HistorySourceFolder(entry), "\\home\\u\\src\xff");
    // A record made by a run in the drive root.
    EXPECT_EQ(HistoryItemPath(HistoryEntryFromLines("t", "  ", "a", "*")), "\\a");
}

TEST(Cp932Exactness, CharactersThatReadBackAsOthersAreNotHeld) {
    // Every character of the code page except these nine reads back as itself.
    for (const char* text :
         {"\u00a2", "\u00a3", "\u00a5", "\u00ac", "\u2014", "\u2016", "\u203e", "\u2212", "\u301c"}) {
        EXPECT_FALSE(Utf8ToCp932(text).has_value()) << text;
        EXPECT_EQ(FirstUnencodableChar(std::string("g") + text + "x"), text);
        EXPECT_EQ(Utf8ToCp932Lossy(std::string("g") + text), "g?");
    }
    EXPECT_EQ(Utf8ToCp932("\\~\uffe5\u2015"), "\\~\x81\x8f\x81\x5c");
}

TEST(Cp932Exactness, TypedTextMayNotCarryTheRawByteEscapes) {
    EXPECT_EQ(FirstUnstorableChar("movie\uF700x"), "\uF700");
    EXPECT_EQ(FirstUnstorableChar("dst\uF704"), "\uF704");
    EXPECT_EQ(FirstUnstorableChar("g\u00a5"), "\u00a5");
    EXPECT_EQ(FirstUnstorableChar("アニメ\\x"), "");
    // Read from a file, the same escapes still write their bytes back.
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8("a\x80\xff")), "a\x80\xff");
}

} // namespace
} // namespace sv
