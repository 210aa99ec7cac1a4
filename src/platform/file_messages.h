// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_error.h"
#include "platform/result.h"
#include "platform/transfer.h"

#include <string>

namespace sv {

// What the user reads of a failed file operation, in the words of the program's messages.

// Why it failed, without the item: "アクセスが拒否されました". The system's own message stands in
// for an error number without a text of ours.
std::string FileErrorReason(const FileError& error);

// Why a system call failed with the error number `code`, in the same words.
std::string SystemErrorReason(int code);

// The whole sentence: "[/home/u/x.avi] を移動できませんでした（アクセスが拒否されました）。"
std::string FileErrorText(const FileError& error);

// A file operation's outcome carried on as a Status whose reason is that sentence, for the layers
// that hand a reason up to where the user is told.
Status FailureStatus(const FileStatus& status);

// The sentence for a transfer that failed; empty for one that did not.
std::string TransferFailureText(const TransferResult& result);

} // namespace sv
