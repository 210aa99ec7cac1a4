// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <random>

namespace sv {
namespace {

TEST(Cp932Codec, DecodesJapaneseAndKeepsBackslashAndTilde) {
    // 0x5C and 0x7E are the ASCII backslash and tilde, not the yen sign and overline.
    EXPECT_EQ(Cp932ToUtf8("\x83\x41\x83\x6A\x83\x81\x5C\x7E"), "アニメ\\~");
    EXPECT_EQ(Cp932ToUtf8("\x82\xA0\x81\x40\xB1"), "あ\u3000ｱ");
    // NEC and IBM extensions: circled digit one, roman numeral one.
    EXPECT_EQ(Cp932ToUtf8("\x87\x40\xFA\x40"), "①ⅰ");
}

TEST(Cp932Codec, RoundTripsEveryControlCharacterAndMarker) {
    std::string bytes;
    for (int c = 1; c < 0x80; ++c)
        bytes.push_back(static_cast<char>(c));
    bytes += "\x95\x5C\x8E\xA6\x83\x5C"; // 表示ソ: trail bytes that equal the backslash
    const std::string text = Cp932ToUtf8(bytes);
    EXPECT_EQ(text.substr(0, 127), bytes.substr(0, 127));
    EXPECT_EQ(text.substr(127), "表示ソ");
    EXPECT_EQ(Utf8ToCp932(text), bytes);
}

TEST(Cp932Codec, InvalidBytesNeverBecomeMarkersAndRoundTrip) {
    // A lead byte followed by a marker character: the marker stays the marker it was in the bytes,
    // the broken lead byte becomes a private-use escape, not a "?" or "*".
    const std::string broken = "a\x81/b\xFF\x80\xA0\x82";
    const std::string text = Cp932ToUtf8(broken);
    EXPECT_EQ(text.find('?'), std::string::npos);
    EXPECT_EQ(text.find('*'), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '/'), 1);
    EXPECT_EQ(Utf8ToCp932(text), broken);

    std::mt19937 rng(932);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(static_cast<std::size_t>(byte(rng) % 40), '\0');
        for (char& c : bytes)
            c = static_cast<char>(byte(rng));
        const std::string decoded = Cp932ToUtf8(bytes);
        const auto encoded = Utf8ToCp932(decoded);
        ASSERT_TRUE(encoded.has_value());
        // Character for character; only duplicate codes of one character may change bytes.
        ASSERT_EQ(Cp932ToUtf8(*encoded), decoded);
        ASSERT_EQ(encoded->size(), bytes.size());
        // Every ASCII character in the text stands for that same single byte in the input.
        for (const char c : std::string("*?|<>\"/"))
            ASSERT_LE(std::count(decoded.begin(), decoded.end(), c),
                      std::count(bytes.begin(), bytes.end(), c));
    }
}

TEST(Cp932Codec, DuplicateCodesOfOneCharacterAreWrittenInThePreferredForm) {
    // The NEC-selected IBM extension 0xED40 and the IBM extension 0xFA5C are the same character;
    // writing uses the form Windows itself produces, so the character survives unchanged.
    EXPECT_EQ(Cp932ToUtf8("\xED\x40"), Cp932ToUtf8("\xFA\x5C"));
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8("\xED\x40")), "\xFA\x5C");
    EXPECT_EQ(Utf8ToCp932("\u2160\u2170\uFFE2\u2235"), "\x87\x54\xFA\x40\x81\xCA\x81\xE6");
}

TEST(Cp932Codec, StrictEncodingRefusesWhatTheCodePageCannotHold) {
    EXPECT_FALSE(Utf8ToCp932("caf\u00e9").has_value());
    EXPECT_FALSE(CanEncodeCp932("photo \U0001F600.jpg"));
    EXPECT_EQ(FirstUnencodableChar("ab\u00e9c\u00e8"), "\u00e9");
    EXPECT_TRUE(CanEncodeCp932("振り分け先フォルダ\\ｱﾆﾒ"));
    EXPECT_EQ(Utf8ToCp932Lossy("caf\u00e9 \U0001F600"), "caf? ?");
}

TEST(Cp932Codec, LengthAndTruncationCountCodePageBytes) {
    EXPECT_EQ(Cp932Length("abc"), 3u);
    EXPECT_EQ(Cp932Length("あいう"), 6u);
    EXPECT_EQ(Cp932Length("ｱｲｳ"), 3u);
    EXPECT_EQ(Cp932Length("\u00e9"), 1u);
    EXPECT_EQ(Cp932Truncate("aあい", 4), "aあ");
    EXPECT_EQ(Cp932Truncate("aあい", 2), "a");
    EXPECT_EQ(Cp932Truncate("ab", 10), "ab");
}

} // namespace
} // namespace sv
