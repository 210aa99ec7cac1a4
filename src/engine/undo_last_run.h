// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"
#include "platform/messagebox.h"
#include "platform/transfer.h"
#include "store/last_run.h"

#include <string>
#include <string_view>
#include <vector>

namespace sv {

enum class MoveBackResult { Moved, PassedOver, Failed };

// Moves `item` back into `folder` under `name`. A missing item, a missing folder or a name already
// there is passed over: nothing is ever replaced.
MoveBackResult MoveItemBack(FileSystem& files, std::string_view item, std::string_view folder,
                            std::string_view name, bool fileUsing, TransferProgress* progress);

struct TUndoRequest final {
    explicit TUndoRequest(FileSystem& itemFiles) : files(itemFiles) {}

    FileSystem& files;      // where the items are
    std::string dataFolder; // History.dat's folder
    std::string mainSource; // for records without a source folder
    bool fileUsing = false;
    bool dustBox = false; // identical copies go to the trash rather than for good
    TransferProgress* progress = nullptr;
};

struct TUndoReport final {
    int undone = 0;
    std::vector<std::string> notUndone; // one line per item, in the order they were taken back
};

inline constexpr std::string_view kUndoTitle = "Sorvanta - 元に戻す";

// Takes the run back, last item first: moved items go back to their source folder under the name
// they had there, identical copies are deleted from the destination, the folders the run created
// go when empty. The records of what was taken back leave History.dat; the run is forgotten.
TUndoReport UndoRun(const TUndoRequest& request, const TLastRun& run);

// What the user is told when there is nothing to take back.
std::string LastRunGapText(LastRunGap gap);

MessageBoxRequest UndoQuestion(const TLastRun& run);
MessageBoxRequest UndoReportMessage(const TUndoReport& report);

// Reads the last run, asks, takes it back and reports. Returns whether History.dat changed.
bool UndoLastRun(const TUndoRequest& request, MessageBox& box);

} // namespace sv
