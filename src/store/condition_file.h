// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"
#include "store/condition_list.h"

#include <string>
#include <string_view>

namespace sv {

inline constexpr std::string_view kConditionFileName = "Condition.txt";

struct ConditionLoad final {
    // The file existed but could not be read: it was renamed to `movedAsideTo` (or, when even
    // that failed, `error` says so) so that the next save cannot overwrite it. The table is empty.
    bool unreadable = false;
    std::string movedAsideTo;
    std::string error;
    // Lines behind the 20000 the table can hold; they are not kept.
    int ignoredLines = 0;
};

// Reads `folder`\Condition.txt (code page 932; CR, LF or CR LF; a zero byte ends the text) into
// the table, two lines a condition.
ConditionLoad LoadConditions(std::string_view folder, TConditionList& list);

// The file's bytes for a table: two lines a condition, CR LF after each, code page 932. Fails,
// naming the text, when a text holds a character code page 932 cannot hold.
Status ConditionFileBytes(const TConditionList& list, std::string& bytes);

// Replaces `folder`\Condition.txt with the table.
Status SaveConditions(std::string_view folder, const TConditionList& list);

} // namespace sv
