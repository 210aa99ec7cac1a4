// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_error.h"
#include "platform/transfer.h"

#include <string>

namespace sv {

// What the user reads of a failed file operation, in the words of the program's messages.

// Why it failed, without the item: "アクセスが拒否されました". The system's own message stands in
// for an error number without a text of ours.
std::string FileErrorReason(const FileError& error);

// The whole sentence: "[/home/u/x.avi] を移動できませんでした（アクセスが拒否されました）。"
std::string FileErrorText(const FileError& error);

// The sentence for a transfer that failed; empty for one that did not.
std::string TransferFailureText(const TransferResult& result);

} // namespace sv
