// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace sv {

// A byte count as short text: "1023 バイト", "1.99 KB", "150 KB", "0.97 MB", "10.0 GB". The value is
// carried in single precision, divided by 1024 per unit, the unit changes at 1000 of the smaller
// one, and the shown decimals are cut, never rounded.
std::string FormatByteSize(std::uint64_t bytes);

} // namespace sv
