// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cp932.h"
#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

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

// What every reader relies on: a text read from any bytes is written in bytes that read back as
// that same text and that a second save leaves alone, and IsExactCp932 says whether the first
// save changes the bytes at all.
void ExpectWrittenBackSafely(const std::string& bytes) {
    const std::string text = Cp932ToUtf8(bytes);
    const std::string written = Utf8ToCp932Lossy(text);
    ASSERT_EQ(Cp932ToUtf8(written), text) << testing::PrintToString(bytes);
    ASSERT_TRUE(IsExactCp932(written)) << testing::PrintToString(bytes);
    ASSERT_EQ(IsExactCp932(bytes), written == bytes) << testing::PrintToString(bytes);
}

std::string Code(int lead, int trail) {
    return {static_cast<char>(lead), static_cast<char>(trail)};
}

// The two-byte codes that read as one character which writing puts in another code.
std::set<std::string> OtherCodes() {
    std::set<std::string> codes;
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (int trail = 0; trail < 0x100; ++trail) {
            const std::string code = Code(lead, trail);
            const std::string text = Cp932ToUtf8(code);
            if (Utf8Length(text) == 1 && Utf8ToCp932Lossy(text) != code)
                codes.insert(code);
        }
    }
    return codes;
}

TEST(Cp932WriteBack, EveryOneAndTwoByteCodeIsWrittenBackSafely) {
    for (int b = 0; b < 0x100; ++b)
        ExpectWrittenBackSafely(std::string(1, static_cast<char>(b)));
    for (int lead = 0; lead < 0x100; ++lead) {
        for (int trail = 0; trail < 0x100; ++trail)
            ExpectWrittenBackSafely(Code(lead, trail));
    }
}

TEST(Cp932WriteBack, CharactersWithTwoCodesAreTheOnlyOnesWrittenInOtherBytes) {
    const std::set<std::string> other = OtherCodes();
    // NEC-selected IBM extensions (髙, 﨑, 纊, small roman one), NEC row 13 symbols JIS also has (≒),
    // IBM extensions NEC also has (roman one, ￢).
    for (const std::string& code : {Code(0xEE, 0xE0), Code(0xED, 0x95), Code(0xED, 0x40), Code(0xEE, 0xEF),
                                    Code(0x87, 0x90), Code(0xFA, 0x4A), Code(0xFA, 0x54)})
        EXPECT_EQ(other.count(code), 1u) << testing::PrintToString(code);
    // Each is written in a code that reads back as the same character and stays as it is.
    std::set<unsigned char> leads;
    for (const std::string& code : other) {
        leads.insert(static_cast<unsigned char>(code[0]));
        const std::string written = Utf8ToCp932Lossy(Cp932ToUtf8(code));
        EXPECT_EQ(written.size(), 2u);
        EXPECT_EQ(Cp932ToUtf8(written), Cp932ToUtf8(code));
        EXPECT_FALSE(IsExactCp932(code));
        EXPECT_TRUE(IsExactCp932(written));
    }
    EXPECT_EQ(leads, (std::set<unsigned char>{0x87, 0xED, 0xEE, 0xFA}));
    // The kanji found in names: 髙﨑 as other tools write it.
    EXPECT_EQ(Utf8ToCp932Lossy(Cp932ToUtf8("\xEE\xE0\xED\x95")), "\xFB\xFC\xFA\xB1");
    EXPECT_EQ(Cp932ToUtf8("\xEE\xE0\xED\x95"), "髙﨑");
}

TEST(Cp932WriteBack, AByteThatIsNoCharacterKeepsTheNextOneInItsOwnCode) {
    // 0xEE 0xEE is no character; 0xEE 0xEF is small roman one, written 0xFA 0x40 on its own, but
    // behind the raw 0xEE that would read as 0xEE 0xFA (￤) and "@".
    const std::string name = "A\xEE\xEE\xEF.txt";
    EXPECT_EQ(Utf8ToCp932Lossy(Cp932ToUtf8(name)), name);
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(name)), name);
    EXPECT_TRUE(IsExactCp932(name));
    // Every byte before every character with two codes.
    for (const std::string& code : OtherCodes()) {
        for (int b = 0x80; b < 0x100; ++b)
            ExpectWrittenBackSafely(std::string(1, static_cast<char>(b)) + code + "A");
    }
}

TEST(Cp932WriteBack, ARawByteThatWouldJoinTheNextCharacterIsNotWrittenAsIt) {
    // Only a text put together from pieces can hold this: 0x81 0x41 would read as "、".
    const std::string text = Cp932ToUtf8("\x81") + "A";
    EXPECT_FALSE(Utf8ToCp932(text).has_value());
    EXPECT_EQ(FirstUnencodableChar(text), Cp932ToUtf8("\x81"));
    EXPECT_EQ(Utf8ToCp932Lossy(text), "?A");
}

TEST(Cp932WriteBack, RandomBytesRichInLeadBytesAreWrittenBackSafely) {
    const std::set<std::string> other = OtherCodes();
    const std::vector<std::string> codes(other.begin(), other.end());
    // Bytes below 0x40 (line ends, markers) split the text into pieces that are checked apart.
    static const char pieces[] = {'\x81', '\x87', '\xED', '\xEE', '\xEF', '\xFA', '\xFB', '\xFC', '\x80',
                                  '\xA0', '\xFF', '\x40', '\x7C', '\x5C', 'a',    '\xB1', '\r',   '*'};
    std::mt19937 rng(28);
    for (int round = 0; round < 100000; ++round) {
        std::string bytes;
        const std::size_t length = rng() % 16;
        while (bytes.size() < length) {
            if (rng() % 3 == 0)
                bytes += codes[rng() % codes.size()];
            else
                bytes.push_back(rng() % 2 == 0 ? pieces[rng() % std::size(pieces)]
                                               : static_cast<char>(rng()));
        }
        ExpectWrittenBackSafely(bytes);
    }
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
