// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/folder_watch.h"

#include "platform/posix_util.h"

#include <cerrno>
#include <cstring>
#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace sv {

using detail::NativeOf;

namespace {

constexpr std::uint32_t kRemoved = IN_DELETE | IN_MOVED_FROM;
constexpr std::uint32_t kOther =
    IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;
constexpr std::uint32_t kContents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE;
constexpr std::uint32_t kSelf = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

// File systems whose every change is made on this machine and therefore notified.
bool IsLocalFileSystem(const std::string& native) {
    struct statfs fs {};
    if (::statfs(native.c_str(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case TMPFS_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

} // namespace

FolderWatch::FolderWatch(bool contents)
    : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), m_contents(contents) {}

FolderWatch::~FolderWatch() {
    if (m_fd >= 0)
        ::close(m_fd);
}

int FolderWatch::Watch(std::string_view folderPathText) {
    if (m_fd < 0)
        return -1;
    const std::string native = NativeOf(folderPathText);
    if (!IsLocalFileSystem(native))
        return -1;
    const int wd = ::inotify_add_watch(m_fd, native.c_str(),
                                       kRemoved | kOther | IN_ONLYDIR | (m_contents ? kContents : 0));
    return wd < 0 ? -1 : wd;
}

void FolderWatch::Drain(const Handler& handler) {
    if (m_fd < 0)
        return;
    alignas(inotify_event) char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof event;
            at += static_cast<ssize_t>(sizeof event + event.len);
            if ((event.mask & IN_Q_OVERFLOW) != 0)
                handler.everything();
            else if ((event.mask & kRemoved) != 0 && event.len > 0)
                handler.removed(event.wd, std::string_view(name));
            else if (handler.changed && (event.mask & kSelf) == 0 && event.len > 0)
                handler.changed(event.wd, std::string_view(name));
            else
                handler.other(event.wd);
        }
    }
}

} // namespace sv
