// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace sv {

// Which distinctions a comparison ignores. Folding works on code points from tables made from the
// Unicode character data, never from the process locale, so a name folds the same everywhere.
struct FoldFlags final {
    bool kana = false;     // hiragana become katakana
    bool width = false;    // full width becomes half width
    bool caseFold = false; // lower case becomes upper case

    bool Any() const { return kana || width || caseFold; }
};

// Hiragana letters U+3041-3096 and the iteration marks ゝゞ to katakana; anything else unchanged.
char32_t FoldKana(char32_t cp);

// The half-width form of a character: one character, or two for a voiced or semi-voiced katakana
// (ガ to ｶﾞ); `second` is 0 when there is one. Characters without a half-width form stay.
struct WidthFolded final {
    char32_t first;
    char32_t second;
};
WidthFolded FoldWidth(char32_t cp);

// Simple case mappings of ASCII, Greek, Cyrillic and full-width Latin letters; others unchanged.
char32_t FoldUpper(char32_t cp);
char32_t FoldLower(char32_t cp);

// Appends `text` folded in the fixed order kana, width, case; without any flag it is appended as
// it is, otherwise a malformed UTF-8 byte becomes U+FFFD. The output is never cut at some byte
// count: a name or keyword text is folded whole, so no keyword is lost however long the text.
void FoldAppend(std::string& out, std::string_view text, FoldFlags flags);
std::string Fold(std::string_view text, FoldFlags flags);

// Lower case with the same letters as FoldLower: for comparing names with fixed lower-case texts
// such as known extensions and "_incomplete".
std::string LowerCase(std::string_view text);

} // namespace sv
