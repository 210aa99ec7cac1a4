// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange_testing.h"

#include "exchange/csv_export.h"
#include "testing.h"

namespace sv::testing {

std::string CsvHeaderBytes() {
    std::string bytes;
    for (const std::string& line : CsvHeaderLines())
        bytes += Sjis(line) + "\r\n";
    return bytes;
}

std::string CsvFile(const std::vector<std::string>& rows) {
    std::string bytes = CsvHeaderBytes();
    for (const std::string& row : rows)
        bytes += Sjis(row) + "\r\n";
    return bytes;
}

std::string RowWith(int column, std::string_view value) {
    std::vector<std::string> fields{"1", "名前", "0", "",   "0", "0", "0", "kw",       "\\d\\out", "0",
                                    "0", "0",    "0", "0",  "0", "0", "0", "0",        "0",        "10",
                                    "2", "2",    "0", "10", "2", "2", "0", "212121111"};
    fields[static_cast<std::size_t>(column) - 1] = value;
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i)
        row += (i ? "," : "") + fields[i];
    return row;
}

} // namespace sv::testing
