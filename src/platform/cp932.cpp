// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cp932.h"

#include "platform/utf8.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#include <vector>

namespace sv {
namespace {

constexpr char32_t kEscapeBase = 0xF700;
// Every byte below this stands for a character of its own, never for the second byte of one.
constexpr unsigned char kNeverSecond = 0x40;

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

// What decoding makes of the bytes, taken from the converter itself once, so that the checks below
// can never disagree with it.
class CodeTable final {
public:
    enum Pair : unsigned char {
        None,      // no character: the decoder keeps the first byte as an escape and goes on behind it
        Exact,     // a character written back in these same two bytes
        Duplicate, // a character written back in another of its codes
    };

    CodeTable() {
        for (int b = 0; b < 256; ++b) {
            const char one[1] = {static_cast<char>(b)};
            std::string out;
            const char* in = one;
            std::size_t left = 1;
            const int err = Decoder().Run(in, left, out);
            m_single[static_cast<std::size_t>(b)] = err == 0        ? Single::Char
                                                    : err == EINVAL ? Single::Lead
                                                                    : Single::Bad;
            if (err != EINVAL)
                continue;
            for (int t = 0; t < 256; ++t) {
                const char two[2] = {static_cast<char>(b), static_cast<char>(t)};
                out.clear();
                in = two;
                left = 2;
                if (Decoder().Run(in, left, out) != 0)
                    continue;
                std::string back;
                const char* from = out.data();
                std::size_t rest = out.size();
                const bool same = Encoder().Run(from, rest, back) == 0 && back == std::string_view(two, 2);
                m_pair[Index(b, t)] = same ? Exact : Duplicate;
                if (!same) {
                    std::size_t pos = 0;
                    m_duplicates.push_back({Utf8Next(out, pos), static_cast<char>(b), static_cast<char>(t)});
                }
            }
        }
    }

    bool IsChar(unsigned char b) const { return m_single[b] == Single::Char; }
    bool IsLead(unsigned char b) const { return m_single[b] == Single::Lead; }
    Pair PairOf(unsigned char lead, unsigned char trail) const { return m_pair[Index(lead, trail)]; }

    // Another code of `cp` whose first byte does not join `lead` into a character, or nothing.
    std::optional<std::string> CodeApartFrom(char32_t cp, unsigned char lead) const {
        for (const Alternative& a : m_duplicates) {
            if (a.cp == cp && PairOf(lead, static_cast<unsigned char>(a.first)) == None)
                return std::string{a.first, a.second};
        }
        return std::nullopt;
    }

private:
    enum class Single : unsigned char { Char, Lead, Bad };
    struct Alternative final {
        char32_t cp;
        char first;
        char second;
    };

    static std::size_t Index(int lead, int trail) { return static_cast<std::size_t>(lead * 256 + trail); }

    std::array<Single, 256> m_single{};
    std::array<Pair, 256 * 256> m_pair{};
    std::vector<Alternative> m_duplicates;
};

const CodeTable& Table() {
    static const CodeTable table;
    return table;
}

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

// A raw byte that was no character where it stood must not become the lead byte of one in front
// of what follows it: the text would read back as another text. The character after it is then
// written in another of its codes when it has one (the one it was read from, for a text read from
// a file); otherwise the byte cannot be written in its place.
bool KeepApart(unsigned char byte, const char*& in, std::size_t& left, std::string& out, Unencodable mode,
               std::string* bad, std::string_view escape) {
    const CodeTable& table = Table();
    if (!table.IsLead(byte) || left == 0)
        return true;
    const std::string_view rest(in, left);
    std::size_t length = 0;
    const char32_t next = Utf8Next(rest, length);
    std::string code;
    if (IsByteEscape(next)) {
        code.push_back(static_cast<char>(next - kEscapeBase));
    } else {
        const char* from = rest.data();
        std::size_t n = length;
        if (Encoder().Run(from, n, code) != 0)
            return true; // not encodable: the caller's loop deals with it
    }
    if (code.empty() || table.PairOf(byte, static_cast<unsigned char>(code[0])) == CodeTable::None)
        return true;
    if (const auto apart = table.CodeApartFrom(next, byte)) {
        out += *apart;
        in += length;
        left -= length;
        return true;
    }
    if (mode == Unencodable::Fail) {
        if (bad)
            *bad = std::string(escape);
        return false;
    }
    out.back() = '?';
    return true;
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
            const auto byte = static_cast<unsigned char>(cp - kEscapeBase);
            out.push_back(static_cast<char>(byte));
            in += pos;
            left -= pos;
            if (!KeepApart(byte, in, left, out, mode, bad, rest.substr(0, pos)))
                return false;
            continue;
        }
        if (mode == Unencodable::Question) {
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

bool IsExactCp932(std::string_view bytes) {
    const CodeTable& table = Table();
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[pos]);
        if (b < 0x80 || table.IsChar(b)) {
            ++pos;
            continue;
        }
        if (table.IsLead(b) && pos + 1 < bytes.size() &&
            table.PairOf(b, static_cast<unsigned char>(bytes[pos + 1])) == CodeTable::Exact) {
            pos += 2;
            continue;
        }
        // A duplicate code or a byte that is no character: only the conversion itself can tell
        // what writing gives (a raw byte keeps the next character in the code it was read from).
        // A byte below 0x40 is never the second byte of a character, so the piece between two
        // such bytes reads and writes on its own: only that piece is converted.
        std::size_t from = pos;
        while (from > 0 && static_cast<unsigned char>(bytes[from - 1]) >= kNeverSecond)
            --from;
        std::size_t to = pos;
        while (to < bytes.size() && static_cast<unsigned char>(bytes[to]) >= kNeverSecond)
            ++to;
        const std::string_view piece = bytes.substr(from, to - from);
        if (Utf8ToCp932Lossy(Cp932ToUtf8(piece)) != piece)
            return false;
        pos = to;
    }
    return true;
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
