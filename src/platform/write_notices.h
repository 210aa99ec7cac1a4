// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace sv {

// What the kernel's change notices show of the entries of watched folders: which files are open
// for writing (created by an open, or written to, and not yet closed after writing, whoever writes
// them) and which entries arrived, changed or went. This sees the writers of other users, which
// neither a lease nor a look at /proc can see for an ordinary user; it knows only what happened
// while it watched. Times are a monotonic clock in milliseconds that the caller passes in, so that
// the rules can be tested with a clock the test sets.
class WriteNotices final {
public:
    WriteNotices();
    ~WriteNotices();
    WriteNotices(const WriteNotices&) = delete;
    WriteNotices& operator=(const WriteNotices&) = delete;

    // Readable when notices wait; -1 when the kernel gave no instance (nothing is ever shown).
    int Descriptor() const { return m_fd; }

    // From now on exactly these folders (path texts) are watched: what is known of a folder that
    // stays is kept, a folder that goes is forgotten. Returns the folders that cannot be watched.
    std::vector<std::string> WatchOnly(const std::vector<std::string>& folders);
    // Forgets every folder and everything known.
    void Clear();

    // After notices were lost (the kernel's queue overflowed), every entry of the watched folders
    // counts as open for writing until nothing has been noticed of it for this long.
    void SetQuietMs(std::int64_t ms) { m_quietMs = ms; }

    // The folders watched now, as they were given.
    std::vector<std::string> Folders() const;

    struct Drained final {
        bool any = false;
        bool closedAfterWriting = false; // a file was closed after writing: it may be complete now
        bool lost = false;               // notices were lost
        bool folderGone = false;         // a watched folder was deleted or moved: it is no longer watched
    };
    // One entry of a watched folder that a notice named: it arrived or changed (created, written,
    // closed after writing, renamed in, its attributes changed), or went (deleted, renamed away).
    struct Change final {
        std::string path; // a path text
        bool folder = false;
        bool gone = false;
        bool open = false; // after this notice the file counts as open for writing
    };
    // Reads every notice that waits, without blocking; what they name goes to `changes`, one
    // change per run of notices about one entry. A name that cannot be part of a path text (it
    // holds a backslash) is not reported.
    Drained Drain(std::int64_t now, std::vector<Change>* changes = nullptr);

    // Whether the notices show this file (a path text in a watched folder) open for writing, or
    // cannot rule it out since notices were lost. A file outside the watched folders is not.
    bool IsOpenForWriting(std::string_view pathText, std::int64_t now);
    // The entry (a path text) as the notices name it: its folder spelled as it was given to
    // WatchOnly (a link or "\.\" in the path may name the same folder); unchanged outside them.
    std::string WatchedSpelling(std::string_view pathText);
    // Whether that holds for any entry of the watched folders.
    bool AnyOpenForWriting(std::int64_t now) const;
    // Whether it holds for a file of a watched folder at or below `folderText`.
    bool AnyOpenBelow(std::string_view folderText, std::int64_t now) const;
    // The names of the files the notices show open for writing, for the report of a test.
    std::vector<std::string> OpenNames() const;

private:
    struct Entry final {
        bool open = false;
        std::int64_t lastNotice = 0;
    };
    struct Folder final {
        std::string text;
        dev_t device = 0;
        ino_t inode = 0;
        std::map<std::string, Entry, std::less<>> entries;
    };
    bool Uncertain(const Entry* entry, std::int64_t now) const;
    Folder* FolderOf(std::string_view folderText);

    int m_fd = -1;
    std::int64_t m_quietMs = 10000;
    std::map<int, Folder> m_folders; // by watch descriptor
    bool m_lost = false;
    std::int64_t m_lostAt = 0;
    // An open file renamed from one watched name to another stays open under its new name; the
    // two halves of a rename share a cookie.
    std::map<std::uint32_t, Entry> m_renamed;
};

} // namespace sv
