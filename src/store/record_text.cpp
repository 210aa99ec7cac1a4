// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/record_text.h"

#include "platform/cp932.h"
#include "platform/utf8.h"

#include <cstdio>

namespace sv {
namespace {

constexpr char32_t kRawByteBase = 0xDC00;

void AppendEscape(std::string& out, char32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "&#x%X;", static_cast<unsigned>(code));
    out += text;
}

bool BeginsEscapeIntro(std::string_view text, std::size_t pos) {
    return text.substr(pos, 3) == "&#x";
}

// One well-formed UTF-8 sequence at `pos` (no overlong forms, no surrogates), else nothing.
bool NextUtf8(std::string_view text, std::size_t& pos, char32_t& cp) {
    std::size_t next = pos;
    cp = Utf8Next(text, next);
    std::string again;
    Utf8Append(again, cp);
    if (next - pos != again.size() || text.compare(pos, again.size(), again) != 0 ||
        (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return false;
    pos = next;
    return true;
}

bool HoldsExactly(std::string_view character, char32_t cp) {
    if (cp < 0x20 || cp == 0x7F || IsByteEscape(cp) || IsInexactCp932(cp))
        return false;
    if (cp < 0x80)
        return true;
    return CanEncodeCp932(character);
}

} // namespace

std::string EscapeRecordText(std::string_view nativeName, bool escapeStar) {
    std::string out;
    out.reserve(nativeName.size());
    std::size_t pos = 0;
    while (pos < nativeName.size()) {
        const auto byte = static_cast<unsigned char>(nativeName[pos]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F || (byte == '&' && BeginsEscapeIntro(nativeName, pos)) ||
                (byte == '*' && escapeStar))
                AppendEscape(out, byte);
            else
                out.push_back(static_cast<char>(byte));
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        char32_t cp = 0;
        if (!NextUtf8(nativeName, pos, cp)) {
            AppendEscape(out, kRawByteBase + byte);
            pos = start + 1;
            continue;
        }
        const std::string_view character = nativeName.substr(start, pos - start);
        if (HoldsExactly(character, cp))
            out += character;
        else
            AppendEscape(out, cp);
    }
    return out;
}

std::string UnescapeRecordText(std::string_view recordText) {
    std::string out;
    out.reserve(recordText.size());
    std::size_t pos = 0;
    while (pos < recordText.size()) {
        if (BeginsEscapeIntro(recordText, pos)) {
            std::size_t end = pos + 3;
            char32_t code = 0;
            while (end < recordText.size() && end - pos - 3 < 7) {
                const char c = recordText[end];
                const int digit = c >= '0' && c <= '9'   ? c - '0'
                                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                         : -1;
                if (digit < 0)
                    break;
                code = code * 16 + static_cast<char32_t>(digit);
                ++end;
            }
            const bool closed = end > pos + 3 && end < recordText.size() && recordText[end] == ';';
            if (closed && code >= kRawByteBase + 0x80 && code <= kRawByteBase + 0xFF) {
                out.push_back(static_cast<char>(code - kRawByteBase));
                pos = end + 1;
                continue;
            }
            if (closed && code != 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
                Utf8Append(out, code);
                pos = end + 1;
                continue;
            }
        }
        out.push_back(recordText[pos]);
        ++pos;
    }
    return out;
}

} // namespace sv
