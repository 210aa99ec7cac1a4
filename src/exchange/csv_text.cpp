// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_text.h"

namespace sv {
namespace {

bool IsControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 31;
}

bool IsSeparator(char c) {
    return c == ',' || IsControl(c);
}

} // namespace

std::string QuoteCsvField(std::string_view text) {
    bool needed = false;
    for (const char c : text)
        needed = needed || c == '"' || IsSeparator(c);
    if (!needed)
        return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::vector<std::string> SplitCsvLine(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t pos = 0;
    for (;;) {
        std::string value;
        if (pos < line.size() && line[pos] == '"') {
            ++pos;
            while (pos < line.size()) {
                if (line[pos] == '"') {
                    if (pos + 1 < line.size() && line[pos + 1] == '"') {
                        value += '"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                value += line[pos++];
            }
        }
        while (pos < line.size() && !IsSeparator(line[pos]))
            value += line[pos++];
        fields.push_back(std::move(value));
        if (pos >= line.size())
            return fields;
        ++pos; // the separator; one at the very end still opens a final empty field
    }
}

} // namespace sv
