// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/files.h"
#include "platform/result.h"
#include "store/condition_list.h"
#include "store/kept_aside.h"

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
    // The file read, but not exactly as the next save would write it back: its bytes were copied
    // aside (the table holds what could be read).
    TKeptAside keptAside;
};

// Why a Condition.txt of these bytes, read into `loaded`, would not be written back as it is
// (text after a zero byte, an odd line count, more than 20000 lines, bytes that are not code page
// 932, a coded line without its fixed blocks, texts the writer would drop); empty when it would.
std::string ConditionFileDamage(std::string_view bytes, const TConditionList& loaded);

// Reads `folder`\Condition.txt (code page 932; CR, LF or CR LF; a zero byte ends the text) into
// the table, two lines a condition. `keepAside` off changes nothing on disk: an unreadable or
// damaged file is only reported (for a run that must not write).
ConditionLoad LoadConditions(std::string_view folder, TConditionList& list, bool keepAside = true);

// The file's bytes for a table: two lines a condition, CR LF after each, code page 932. Fails,
// naming the text, when a text holds a character code page 932 cannot hold.
Status ConditionFileBytes(const TConditionList& list, std::string& bytes);

// How Condition.txt looked when this program last read or wrote it, so that a save notices an
// edit made meanwhile by hand or by a synchronised copy.
struct TConditionFileWatch final {
    bool known = false;
    FileStamp stamp;
    // Set by a save that found the file changed by someone else and copied it aside first; the
    // caller tells the user and clears it.
    TKeptAside keptAside;

    void Take(std::string_view folder); // remembers the file as it is now
};

// Replaces `folder`\Condition.txt with the table. With a watch, a file changed on disk since it
// was read or written is copied aside first (and nothing is written when that copy fails).
Status SaveConditions(std::string_view folder, const TConditionList& list,
                      TConditionFileWatch* watch = nullptr);

} // namespace sv
