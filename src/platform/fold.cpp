// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fold.h"

#include "platform/utf8.h"

#include <cstdint>

namespace sv {
namespace {

struct FoldWindow final {
    char32_t first;
    char32_t last;
    std::uint32_t offset;
};

#include "platform/fold_tables.inc"

// Windows are sorted and few (at most five), so a linear walk beats anything cleverer.
template <std::size_t N>
std::uint32_t Lookup(const FoldWindow (&windows)[N], const std::uint32_t* data, char32_t cp) {
    for (const FoldWindow& w : windows) {
        if (cp < w.first)
            return 0;
        if (cp <= w.last)
            return data[w.offset + (cp - w.first)];
    }
    return 0;
}

char32_t Single(const std::uint32_t mapped, char32_t cp) {
    return mapped == 0 ? cp : mapped;
}

unsigned char Byte(const char* p) {
    return static_cast<unsigned char>(*p);
}

char* Encode(char* dst, char32_t cp) {
    const auto put = [&dst](std::uint32_t b) { *dst++ = static_cast<char>(b); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
    return dst;
}

// Writes `text` mapped character by character into `out`, after what it holds. Every
// character grows to at most three times its bytes (a stray byte becomes U+FFFD, a katakana two
// half-width ones), so the output is sized once and written through a pointer.
template <typename MapAscii, typename MapOther>
void Transform(std::string& out, std::string_view text, MapAscii mapAscii, MapOther mapOther) {
    const std::size_t start = out.size();
    out.resize(start + 3 * text.size());
    char* dst = out.data() + start;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char* src = text.data() + pos;
        if (Byte(src) < 0x80) {
            *dst++ = mapAscii(*src);
            ++pos;
            continue;
        }
        char32_t cp = 0;
        // The three-byte form carries all the Japanese; anything else takes the general decoder.
        if ((Byte(src) & 0xF0) == 0xE0 && pos + 2 < text.size() && (Byte(src + 1) & 0xC0) == 0x80 &&
            (Byte(src + 2) & 0xC0) == 0x80) {
            cp = (char32_t{Byte(src)} & 0x0F) << 12 | (char32_t{Byte(src + 1)} & 0x3F) << 6 |
                 (char32_t{Byte(src + 2)} & 0x3F);
            pos += 3;
        } else {
            cp = Utf8Next(text, pos);
        }
        dst = mapOther(dst, cp);
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}
char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

} // namespace

char32_t FoldKana(char32_t cp) {
    return Single(Lookup(kKanaWindows, kKanaData, cp), cp);
}

WidthFolded FoldWidth(char32_t cp) {
    const std::uint32_t mapped = Lookup(kWidthWindows, kWidthData, cp);
    if (mapped == 0)
        return {cp, 0};
    return {mapped & 0xFFFF, mapped >> 16};
}

char32_t FoldUpper(char32_t cp) {
    return Single(Lookup(kUpperWindows, kUpperData, cp), cp);
}

char32_t FoldLower(char32_t cp) {
    return Single(Lookup(kLowerWindows, kLowerData, cp), cp);
}

void FoldAppend(std::string& out, std::string_view text, FoldFlags flags) {
    if (!flags.Any()) {
        out.append(text);
        return;
    }
    const auto cased = [upper = flags.caseFold](char32_t cp) {
        return upper ? Single(Lookup(kUpperWindows, kUpperData, cp), cp) : cp;
    };
    Transform(
        out, text, [upper = flags.caseFold](char c) { return upper ? AsciiUpper(c) : c; },
        [&](char* dst, char32_t cp) {
            if (flags.kana)
                cp = Single(Lookup(kKanaWindows, kKanaData, cp), cp);
            const std::uint32_t half = flags.width ? Lookup(kWidthWindows, kWidthData, cp) : 0;
            if (half == 0)
                return Encode(dst, cased(cp));
            dst = Encode(dst, cased(half & 0xFFFF));
            return half >> 16 == 0 ? dst : Encode(dst, cased(half >> 16));
        });
}

std::string Fold(std::string_view text, FoldFlags flags) {
    std::string out;
    FoldAppend(out, text, flags);
    return out;
}

std::string LowerCase(std::string_view text) {
    std::string out;
    Transform(out, text, AsciiLower, [](char* dst, char32_t cp) { return Encode(dst, FoldLower(cp)); });
    return out;
}

} // namespace sv
