// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_error.h"

#include <optional>
#include <string>
#include <string_view>

namespace sv {

// Every function here takes path texts.

enum class ReadState { Ok, Missing, Failed };

struct FileRead final {
    ReadState state = ReadState::Missing;
    std::string bytes;
    FileError error; // why a read failed, when it did
};

FileRead ReadWholeFile(std::string_view pathText);

// Replaces the file atomically: a temporary file in the same folder is written, flushed and
// renamed over it, so a failed save never leaves a half-written file. An existing file whose
// write permission is off is not replaced (it is the user's read-only mark) and the write fails.
// When the folder cannot take the temporary file but the file itself is writable (a program
// folder made read-only around writable data files), the file is written in place instead:
// whole, then cut to its new length, flushed and synced. `inPlace`, when given, says which way
// was taken.
FileStatus WriteFileAtomic(std::string_view pathText, std::string_view bytes, bool* inPlace = nullptr);

// The non-empty lines of a file (split at CR LF, LF or a lone CR), read a part at a time: a file
// of any length costs a fixed amount of memory.
class LineReader final {
public:
    LineReader();
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Missing, Failed (see error()) or Ok.
    ReadState Open(std::string_view pathText);
    // The next non-empty line, valid until the next call; nothing at the end or when a read
    // failed (error() then says why).
    std::optional<std::string_view> Next();
    // From where Next would go on: the longest run of whole non-empty lines that each already end
    // in CR LF, as one piece (empty when the next line is not of that form: Next takes it). For
    // copying a file's lines in that form a buffer at a time rather than a line at a time.
    std::string_view NextRun();
    const std::optional<FileError>& error() const { return m_error; }

private:
    bool Refill();

    int m_fd = -1;
    std::string m_path;
    std::string m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    std::optional<FileError> m_error;
};

// A file replaced atomically like WriteFileAtomic, its bytes handed over in parts as they are
// made: a file of any length is written without being held in memory. Where only an in-place
// write is possible, the parts are gathered and written at Commit (they may then be read from
// the old file meanwhile). Destroyed without Commit, it leaves the old file as it was.
class AtomicFileWriter final {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    FileStatus Begin(std::string_view pathText);
    void Append(std::string_view bytes) {
        m_buffer.append(bytes);
        if (m_buffer.size() >= kFlushAt && m_fd >= 0)
            Flush();
    }
    FileStatus Commit();

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    void Flush();

    std::string m_path;
    std::string m_temp;
    int m_fd = -1;
    bool m_inPlace = false;
    unsigned m_mode = 0644;
    int m_error = 0;
    long long m_written = 0;
    std::string m_buffer;
};

// What a file looked like when it was read or written, to notice a change made by someone else.
struct FileStamp final {
    bool exists = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long mtimeNanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(std::string_view pathText);

// Copies a data file aside before it is replaced ("name.bak", "name.bak1", ...), never
// overwriting an older copy; returns the copy's path text. When a copy of exactly these bytes is
// already there, that one is returned and `existed` says so: an unchanged file is kept once.
FileStatus KeepCopyAside(std::string_view pathText, std::string& copyPathText, bool* existed = nullptr);

bool FileExists(std::string_view pathText);
bool FolderExists(std::string_view pathText);
// A regular file that is not empty and can be opened for reading and writing; nothing is changed.
bool IsNonEmptyReadWriteFile(std::string_view pathText);

// Read-only means the owner write bit is off.
bool IsReadOnly(std::string_view pathText);
FileStatus ClearReadOnly(std::string_view pathText);

// Renames an unreadable data file aside ("name.bad", "name.bad1", ...) so that no later save
// overwrites it; returns the new path text, or the failure.
FileStatus MoveAside(std::string_view pathText, std::string& newPathText);

// The folder of the running executable as a path text with a trailing backslash.
std::string ExecutableFolder();

} // namespace sv
