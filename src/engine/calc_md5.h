// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_ui.h"
#include "engine/worker.h"
#include "platform/digest_library.h"
#include "platform/file_system.h"

#include <functional>
#include <string>
#include <string_view>

namespace sv {

// The result texts of a digest besides the digest itself.
inline constexpr std::string_view kHashPending = "calc"; // the wait was cancelled
inline constexpr std::string_view kHashFailed = "err";

// The library is fed 1024-byte blocks, progress is told after the 1st, 201st, 401st, ... block
// and after a short block.
inline constexpr std::size_t kHashBlock = 1024;
inline constexpr int kProgressEvery = 200;

// The body of the ThreadCalcMD5 worker: the digest text of the file of `files`, or "err" when the library
// fails, the file cannot be read or `terminate` was set. `report` hears each progress step as
// bytes read so far x 100 / size, truncated. `worker` is the library handle the thread uses.
std::string ThreadCalcMD5(const DigestLibrary& library, FileSystem& files, std::string_view pathText,
                          const std::atomic<bool>& terminate, const std::function<void(int)>& report,
                          std::size_t worker = 0);

enum class HashedFile { Source, Destination };

// "振り分け元ファイル ハッシュ値計算中： " or "振り分け先ファイル ハッシュ値計算中： " and the path.
std::string HashStatusText(HashedFile which, std::string_view pathText);

// Hashes one file on a worker while the GUI thread waits with events flowing: the digest, "err",
// or "calc" when the user cancelled.
std::string HashFile(RunUi& ui, const DigestLibrary& library, FileSystem& files, std::string_view pathText,
                     HashedFile which);

} // namespace sv
