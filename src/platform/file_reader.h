// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_error.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sv {

// Reads a file from the start to its end as raw bytes, for the digest and the byte-for-byte
// compare. The kernel is told that the reads go forward, so it reads ahead.
class FileReader final {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    FileStatus Open(std::string_view pathText);
    FileStatus OpenNative(const std::string& native);
    // Fills the buffer unless the file ends first: fewer bytes than asked for means the end (0 at
    // the end itself). Nothing when a read fails.
    std::optional<std::size_t> Fill(char* buffer, std::size_t size);
    void Close();

private:
    int m_fd = -1;
};

} // namespace sv
