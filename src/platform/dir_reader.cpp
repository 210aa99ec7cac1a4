// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dir_reader.h"

#include "platform/file_system.h"
#include "platform/posix_util.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace sv {

using detail::IsDotOrDotDot;
using detail::NativeOf;

struct DirReader::Impl final {
    std::unique_ptr<FolderView> view;
    DIR* dir = nullptr;
    std::string path;
    EnumOptions options;
};

DirReader::DirReader() : m_impl(std::make_unique<Impl>()) {}

DirReader::~DirReader() {
    Close();
}

FileStatus DirReader::Open(std::string_view folderPathText, EnumOptions options) {
    Close();
    m_error.reset();
    const std::string native = NativeOf(folderPathText);
    m_impl->dir = ::opendir(native.c_str());
    if (!m_impl->dir) {
        m_error = FileError::System(FileOp::Open, native, errno);
        return *m_error;
    }
    m_impl->options = options;
    m_impl->path = native;
    return {};
}

FileStatus DirReader::Open(std::unique_ptr<FolderView> view, FileError error) {
    Close();
    m_error.reset();
    if (!view) {
        m_error = std::move(error);
        return *m_error;
    }
    m_impl->view = std::move(view);
    return {};
}

std::optional<DirEntry> DirReader::Next() {
    if (m_impl->view)
        return m_impl->view->Next();
    if (!m_impl->dir)
        return std::nullopt;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(m_impl->dir);
        if (!entry) {
            if (errno != 0)
                m_error = FileError::System(FileOp::Read, m_impl->path, errno);
            return std::nullopt;
        }
        const char* name = entry->d_name;
        if (IsDotOrDotDot(name))
            continue;
        DirEntry out;
        out.name = name;
        out.hidden = name[0] == '.';
        out.backslashName = std::strchr(name, '\\') != nullptr;
        if ((out.hidden && m_impl->options.skipHidden) ||
            (out.backslashName && m_impl->options.skipBackslashNames))
            continue;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            const bool known = ::fstatat(::dirfd(m_impl->dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0;
            out.isFolder = known && S_ISDIR(st.st_mode);
            out.link = known && S_ISLNK(st.st_mode);
        } else {
            out.isFolder = entry->d_type == DT_DIR;
            out.link = entry->d_type == DT_LNK;
        }
        return out;
    }
}

void DirReader::Close() {
    if (m_impl)
        m_impl->view.reset();
    if (m_impl && m_impl->dir) {
        ::closedir(m_impl->dir);
        m_impl->dir = nullptr;
    }
}

FileStatus ForEachEntry(std::string_view folderPathText, const EntryVisitor& visit, EnumOptions options) {
    return ForEachEntry(Disk(), folderPathText, visit, options);
}

} // namespace sv
