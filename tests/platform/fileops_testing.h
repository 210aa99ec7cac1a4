// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers the file-operation tests share.

#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace sv::testing {

// The path text of `relative` ("a/b") below the folder.
inline std::string Text(const TempFolder& folder, std::string_view relative) {
    return folder.PathText() + FromNativePath(relative);
}

inline void MakeFolders(const TempFolder& folder, std::string_view relative) {
    std::filesystem::create_directories(folder.NativeFile(relative));
}

inline void SetMtime(const std::string& native, std::int64_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

} // namespace sv::testing
