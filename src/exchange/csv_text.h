// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sv {

// A text field as the condition CSV writes it: between double quotes, with every double quote
// inside doubled, when it holds a comma, a double quote or a control character (which the reader
// would take for a field end); otherwise unchanged.
std::string QuoteCsvField(std::string_view text);

// Splits one CSV line (UTF-8, without its line end) into fields. Commas separate fields; a field
// that begins with a double quote runs to its closing quote, two quotes inside standing for one,
// and what follows the closing quote up to the next separator is kept with it. Outside quotes a
// control character (1 to 31) ends a field like a comma. Blanks belong to the value wherever they
// stand. A comma at the end gives a final empty field; an empty line is one empty field.
std::vector<std::string> SplitCsvLine(std::string_view line);

} // namespace sv
