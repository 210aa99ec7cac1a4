// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text.h"

#include <charconv>

namespace sv {
namespace {
bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}
} // namespace

std::string TrimLeft(std::string_view text) {
    std::size_t b = 0;
    while (b < text.size() && IsTrimmed(text[b]))
        ++b;
    return std::string(text.substr(b));
}

std::string TrimRight(std::string_view text) {
    std::size_t e = text.size();
    while (e > 0 && IsTrimmed(text[e - 1]))
        --e;
    return std::string(text.substr(0, e));
}

std::string_view TrimView(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20)
        text.remove_suffix(1);
    return text;
}

std::string Trim(std::string_view text) {
    return std::string(TrimView(text));
}

std::optional<long long> ParseInteger(std::string_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    if (b < e && text[b] == '+')
        ++b;
    if (b == e)
        return std::nullopt;
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(text.data() + b, text.data() + e, value);
    if (ec != std::errc() || ptr != text.data() + e)
        return std::nullopt;
    return value;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string TwoDigits(int value) {
    const int v = value % 100;
    return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

} // namespace sv
