// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_reader.h"

#include "platform/posix_util.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

FileReader::~FileReader() {
    Close();
}

FileStatus FileReader::Open(std::string_view pathText) {
    return OpenNative(detail::NativeOf(pathText));
}

FileStatus FileReader::OpenNative(const std::string& native) {
    Close();
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return FileError::System(FileOp::Open, native, errno);
    struct stat st {};
    // A folder opens for reading too, but has no bytes to compare.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileError::System(FileOp::Open, native, EISDIR);
    }
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_fd = fd;
    return {};
}

std::optional<std::size_t> FileReader::Fill(char* buffer, std::size_t size) {
    if (m_fd < 0)
        return std::nullopt;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(m_fd, buffer + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void FileReader::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace sv
