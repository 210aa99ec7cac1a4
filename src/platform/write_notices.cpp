// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/write_notices.h"

#include "platform/pathtext.h"
#include "platform/posix_util.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

using detail::NativeOf;

namespace {

// IN_EXCL_UNLINK: a file deleted while a writer still holds it is forgotten with its name, and
// the writes that follow into the deleted file say nothing about a file of that name.
constexpr std::uint32_t kMask = IN_CREATE | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                IN_MOVED_TO | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR |
                                IN_EXCL_UNLINK;

// A regular file that has just been made under its one name was made by an open that is still to
// be closed; a second link to an existing file, a symbolic link or a device node was not.
bool CreatedByAnOpen(const std::string& folderText, const std::string& name) {
    struct stat st {};
    std::string native = NativeOf(folderText);
    if (native != "/")
        native += '/';
    native += name; // the name as it is on disk, backslashes and all
    return ::lstat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
}

// The entry's path text in its folder.
std::string EntryPath(const std::string& folderText, std::string_view name) {
    std::string path = folderText;
    if (path != "\\")
        path += '\\';
    path += name;
    return path;
}

// Successive notices about one entry make one change.
void Report(std::vector<WriteNotices::Change>* changes, std::string path, bool folder, bool gone, bool open) {
    if (changes == nullptr)
        return;
    if (!changes->empty() && changes->back().path == path) {
        WriteNotices::Change& last = changes->back();
        last.folder = folder;
        last.gone = gone;
        last.open = open;
        return;
    }
    changes->push_back({std::move(path), folder, gone, open});
}

// The folder holding `name`, the last component of `pathText`, without the backslash between
// them; the root stays "\\".
std::string_view ParentText(std::string_view pathText, std::string_view name) {
    const std::string_view parent = pathText.substr(0, pathText.size() - name.size() - 1);
    return parent.empty() ? pathText.substr(0, 1) : parent;
}

} // namespace

WriteNotices::WriteNotices() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

WriteNotices::~WriteNotices() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::vector<std::string> WriteNotices::WatchOnly(const std::vector<std::string>& folders) {
    std::vector<std::string> failed;
    std::set<int> kept;
    for (const std::string& text : folders) {
        const std::string native = NativeOf(text);
        struct stat st {};
        const int wd = m_fd < 0 || ::stat(native.c_str(), &st) != 0
                           ? -1
                           : ::inotify_add_watch(m_fd, native.c_str(), kMask);
        if (wd < 0) {
            failed.push_back(text);
            continue;
        }
        kept.insert(wd);
        Folder& folder = m_folders[wd];
        if (folder.device != st.st_dev || folder.inode != st.st_ino)
            folder.entries.clear();
        folder.text = std::string(WithoutTrailingSeparators(text));
        folder.device = st.st_dev;
        folder.inode = st.st_ino;
    }
    for (auto it = m_folders.begin(); it != m_folders.end();) {
        if (kept.count(it->first) == 0) {
            ::inotify_rm_watch(m_fd, it->first);
            it = m_folders.erase(it);
        } else {
            ++it;
        }
    }
    return failed;
}

void WriteNotices::Clear() {
    for (const auto& [wd, folder] : m_folders)
        ::inotify_rm_watch(m_fd, wd);
    m_folders.clear();
    m_renamed.clear();
    (void)Drain(0);
    m_lost = false;
}

std::vector<std::string> WriteNotices::Folders() const {
    std::vector<std::string> folders;
    for (const auto& [wd, folder] : m_folders)
        folders.push_back(folder.text);
    return folders;
}

WriteNotices::Drained WriteNotices::Drain(std::int64_t now, std::vector<Change>* changes) {
    Drained drained;
    if (m_fd < 0)
        return drained;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* namePtr = buffer + at + sizeof event;
            at += static_cast<ssize_t>(sizeof event + event.len);
            drained.any = true;
            if ((event.mask & IN_Q_OVERFLOW) != 0) {
                // Whatever was open may have been closed unseen, and anything may have been
                // written: every entry is uncertain until it has been quiet.
                drained.lost = true;
                m_lost = true;
                m_lostAt = now;
                for (auto& [wd, folder] : m_folders)
                    folder.entries.clear();
                m_renamed.clear();
                continue;
            }
            const auto it = m_folders.find(event.wd);
            if (it == m_folders.end())
                continue;
            if ((event.mask & IN_IGNORED) != 0) {
                drained.folderGone = true;
                m_folders.erase(it);
                continue;
            }
            auto& entries = it->second.entries;
            if (event.len == 0) {
                // The folder itself moved or went: its names say nothing any more.
                if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
                    entries.clear();
                    drained.folderGone = true;
                }
                continue;
            }
            const std::string name(namePtr, ::strnlen(namePtr, event.len));
            const bool reported = name.find('\\') == std::string::npos;
            const bool gone = (event.mask & (IN_DELETE | IN_MOVED_FROM)) != 0;
            if ((event.mask & IN_ISDIR) != 0) {
                if (reported)
                    Report(changes, EntryPath(it->second.text, name), true, gone, false);
                continue;
            }
            if ((event.mask & IN_CREATE) != 0 && CreatedByAnOpen(it->second.text, name)) {
                Entry& entry = entries[name];
                entry.open = true;
                entry.lastNotice = now;
            }
            if ((event.mask & IN_MODIFY) != 0) {
                Entry& entry = entries[name];
                entry.open = true;
                entry.lastNotice = now;
            }
            if ((event.mask & IN_CLOSE_WRITE) != 0) {
                drained.closedAfterWriting = true;
                // Kept while notices were lost, so that its quiet time counts from now.
                if (m_lost)
                    entries[name] = Entry{false, now};
                else
                    entries.erase(name);
            }
            if ((event.mask & IN_DELETE) != 0)
                entries.erase(name);
            if ((event.mask & IN_MOVED_FROM) != 0) {
                if (const auto found = entries.find(name); found != entries.end()) {
                    m_renamed[event.cookie] = found->second;
                    entries.erase(found);
                }
            }
            if ((event.mask & IN_MOVED_TO) != 0) {
                if (const auto renamed = m_renamed.find(event.cookie); renamed != m_renamed.end()) {
                    entries[name] = renamed->second;
                    m_renamed.erase(renamed);
                } else if (m_lost) {
                    entries[name] = Entry{false, now};
                } else {
                    entries.erase(name); // a file renamed over it is another file
                }
            }
            if (reported) {
                const auto found = entries.find(name);
                Report(changes, EntryPath(it->second.text, name), false, gone,
                       found != entries.end() && found->second.open);
            }
        }
    }
    // Both halves of a rename are queued together; a half left over moved out of the folders.
    m_renamed.clear();
    if (m_lost) {
        bool anyUncertain = now - m_lostAt < m_quietMs;
        for (auto& [wd, folder] : m_folders) {
            for (auto it = folder.entries.begin(); it != folder.entries.end();) {
                if (!it->second.open && !Uncertain(&it->second, now)) {
                    it = folder.entries.erase(it);
                } else {
                    anyUncertain = anyUncertain || !it->second.open;
                    ++it;
                }
            }
        }
        m_lost = anyUncertain;
    }
    return drained;
}

bool WriteNotices::Uncertain(const Entry* entry, std::int64_t now) const {
    if (!m_lost)
        return false;
    const std::int64_t last = entry != nullptr ? std::max(m_lostAt, entry->lastNotice) : m_lostAt;
    return now < last || now - last < m_quietMs;
}

WriteNotices::Folder* WriteNotices::FolderOf(std::string_view folderText) {
    folderText = WithoutTrailingSeparators(folderText);
    for (auto& [wd, folder] : m_folders) {
        if (folder.text == folderText)
            return &folder;
    }
    // The same folder under another spelling (a link, "\.\").
    struct stat st {};
    if (m_folders.empty() || ::stat(NativeOf(folderText).c_str(), &st) != 0)
        return nullptr;
    for (auto& [wd, folder] : m_folders) {
        if (folder.device == st.st_dev && folder.inode == st.st_ino)
            return &folder;
    }
    return nullptr;
}

bool WriteNotices::IsOpenForWriting(std::string_view pathText, std::int64_t now) {
    const std::string_view name = LastComponent(pathText);
    if (name.size() == pathText.size() || name.empty())
        return false;
    Folder* folder = FolderOf(ParentText(pathText, name));
    if (folder == nullptr)
        return false;
    const auto found = folder->entries.find(name);
    const Entry* entry = found == folder->entries.end() ? nullptr : &found->second;
    return (entry != nullptr && entry->open) || Uncertain(entry, now);
}

std::string WriteNotices::WatchedSpelling(std::string_view pathText) {
    const std::string_view name = LastComponent(pathText);
    if (name.size() == pathText.size() || name.empty())
        return std::string(pathText);
    const Folder* folder = FolderOf(ParentText(pathText, name));
    if (folder == nullptr)
        return std::string(pathText);
    return EntryPath(folder->text, name);
}

bool WriteNotices::AnyOpenForWriting(std::int64_t now) const {
    if (m_lost && Uncertain(nullptr, now))
        return true;
    for (const auto& [wd, folder] : m_folders) {
        for (const auto& [name, entry] : folder.entries) {
            if (entry.open || Uncertain(&entry, now))
                return true;
        }
    }
    return false;
}

bool WriteNotices::AnyOpenBelow(std::string_view folderText, std::int64_t now) const {
    folderText = WithoutTrailingSeparators(folderText);
    for (const auto& [wd, folder] : m_folders) {
        const bool below =
            folder.text == folderText || (folder.text.size() > folderText.size() &&
                                          folder.text.compare(0, folderText.size(), folderText) == 0 &&
                                          (folderText == "\\" || folder.text[folderText.size()] == '\\'));
        if (!below)
            continue;
        if (m_lost && Uncertain(nullptr, now))
            return true;
        for (const auto& [name, entry] : folder.entries) {
            if (entry.open || Uncertain(&entry, now))
                return true;
        }
    }
    return false;
}

std::vector<std::string> WriteNotices::OpenNames() const {
    std::vector<std::string> names;
    for (const auto& [wd, folder] : m_folders) {
        for (const auto& [name, entry] : folder.entries) {
            if (entry.open)
                names.push_back(name);
        }
    }
    return names;
}

} // namespace sv
