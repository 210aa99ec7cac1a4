// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cp932.h"

#include "platform/utf8.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace sv {
namespace {

constexpr char32_t kEscapeBase = 0xF700;

// One converter per direction and thread; iconv_open is far dearer than a conversion.
class Converter final {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv cannot convert between UTF-8 and CP932");
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as it can; returns errno of the stop (0 when all input was taken).
    int Run(const char*& in, std::size_t& inLeft, std::string& out) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buffer[4096];
        while (inLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            char* src = const_cast<char*>(in);
            const std::size_t rc = iconv(m_cd, &src, &inLeft, &dst, &dstLeft);
            const int err = rc == static_cast<std::size_t>(-1) ? errno : 0;
            in = src;
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (err == E2BIG)
                continue;
            if (err != 0)
                return err;
        }
        return 0;
    }

private:
    iconv_t m_cd;
};

Converter& Decoder() {
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

Converter& Encoder() {
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

enum class Unencodable { Fail, Question };

// The characters iconv writes as a byte that reads back as another character (the yen sign as the
// backslash, the overline as the tilde, and so on): taken as not holdable, so that a text never
// comes back from a file changed.
constexpr char32_t kInexact[] = {0x00A2, 0x00A3, 0x00A5, 0x00AC, 0x2014, 0x2016, 0x203E, 0x2212, 0x301C};

// Where the next such character starts in `text` at or after `from`, and its length.
std::size_t FindInexact(std::string_view text, std::size_t from, std::size_t& length) {
    for (std::size_t pos = from; pos < text.size(); ++pos) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        if (lead != 0xC2 && lead != 0xE2 && lead != 0xE3)
            continue;
        std::size_t next = pos;
        if (IsInexactCp932(Utf8Next(text, next))) {
            length = next - pos;
            return pos;
        }
    }
    return std::string_view::npos;
}

bool EncodeRun(std::string_view text, std::string& out, Unencodable mode, std::string* bad);

// Encodes `text`; returns false (strict mode) at the first character that cannot be held.
bool Encode(std::string_view text, std::string& out, Unencodable mode, std::string* bad) {
    out.reserve(text.size());
    std::size_t start = 0;
    for (;;) {
        std::size_t length = 0;
        const std::size_t pos = FindInexact(text, start, length);
        if (!EncodeRun(
                text.substr(start, pos == std::string_view::npos ? std::string_view::npos : pos - start), out,
                mode, bad))
            return false;
        if (pos == std::string_view::npos)
            return true;
        if (mode == Unencodable::Fail) {
            if (bad)
                *bad = std::string(text.substr(pos, length));
            return false;
        }
        out.push_back('?');
        start = pos + length;
    }
}

// Encodes a text without inexact characters.
bool EncodeRun(std::string_view text, std::string& out, Unencodable mode, std::string* bad) {
    const char* in = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        if (Encoder().Run(in, left, out) == 0)
            break;
        // Stopped at a character: either one of our escapes or one the code page lacks.
        const std::string_view rest(in, left);
        std::size_t pos = 0;
        const char32_t cp = Utf8Next(rest, pos);
        if (IsByteEscape(cp)) {
            out.push_back(static_cast<char>(cp - kEscapeBase));
        } else if (mode == Unencodable::Question) {
            out.push_back('?');
        } else {
            if (bad)
                *bad = std::string(rest.substr(0, pos));
            return false;
        }
        in += pos;
        left -= pos;
    }
    return true;
}

} // namespace

bool IsInexactCp932(char32_t cp) {
    for (const char32_t c : kInexact) {
        if (c == cp)
            return true;
    }
    return false;
}

bool IsByteEscape(char32_t cp) {
    return cp >= kEscapeBase && cp <= kEscapeBase + 0xFF;
}

std::string Cp932ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const char* in = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        if (Decoder().Run(in, left, out) == 0)
            break;
        // EILSEQ or a lead byte at the end: keep the byte as an escape and go on behind it.
        Utf8Append(out, kEscapeBase + static_cast<unsigned char>(*in));
        ++in;
        --left;
    }
    return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view text) {
    std::string out;
    if (!Encode(text, out, Unencodable::Fail, nullptr))
        return std::nullopt;
    return out;
}

std::string Utf8ToCp932Lossy(std::string_view text) {
    std::string out;
    Encode(text, out, Unencodable::Question, nullptr);
    return out;
}

bool CanEncodeCp932(std::string_view text) {
    return FirstUnencodableChar(text).empty();
}

std::string FirstUnencodableChar(std::string_view text) {
    std::string out;
    std::string bad;
    Encode(text, out, Unencodable::Fail, &bad);
    return bad;
}

std::string FirstUnstorableChar(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        if (IsByteEscape(Utf8Next(text, pos)))
            return std::string(text.substr(start, pos - start));
    }
    return FirstUnencodableChar(text);
}

std::size_t Cp932Length(std::string_view text) {
    std::size_t ascii = 0;
    while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80)
        ++ascii;
    if (ascii == text.size())
        return ascii;
    return Utf8ToCp932Lossy(text).size();
}

std::string Cp932Truncate(std::string_view text, std::size_t maxBytes) {
    std::size_t bytes = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t next = pos;
        Utf8Next(text, next);
        const std::size_t n = Cp932Length(text.substr(pos, next - pos));
        if (bytes + n > maxBytes)
            break;
        bytes += n;
        pos = next;
    }
    return std::string(text.substr(0, pos));
}

} // namespace sv
