// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace sv {

// Why a file operation failed, as codes: the words the user reads are chosen where the failure is
// shown (platform/file_messages.h), in the language of the program's messages.

// What was being done when it failed.
enum class FileOp : std::uint8_t {
    Examine,        // reading an entry's type, size or times
    Open,           // opening a file or folder to read it
    Read,           // reading a file's bytes or a folder's entries
    Create,         // making a file, a link or a folder of a copy
    Write,          // writing bytes
    Flush,          // making written bytes durable
    SetPermissions, // giving a copy the source's permission bits
    ReadLink,       // reading where a symbolic link leads
    Copy,           // copying an item as a whole
    Move,           // moving an item as a whole
    Rename,         // renaming an item
    Delete,         // removing an item for good
    MakeFolder,     // making a folder and its missing parents
    Trash,          // moving an item to the trash
};

// What went wrong: the system's error number, or a condition the program found itself.
enum class FileFault : std::uint8_t {
    System,      // `FileError::code` holds the errno value
    Exists,      // the target's name is already taken, and nothing is replaced
    IntoItself,  // a folder would go into a folder of its own
    OntoItself,  // the target is the source itself under another name
    Changed,     // the source changed (grew, shrank, vanished) while it was copied
    WrongSize,   // the copy came out of another size than the source
    Cancelled,   // the user cancelled the copy
    Unsupported, // neither a file, a folder nor a symbolic link (a pipe, a device)
    NoTrash,     // the trash cannot be found (no home folder, no current folder)
    NoFreeName,  // every name the trash would give is taken
    NoSpareName, // every name for a data file's copy kept aside is taken
};

struct FileError final {
    FileOp op = FileOp::Examine;
    FileFault fault = FileFault::System;
    int code = 0;     // errno, for FileFault::System
    std::string path; // the native path the operation was about

    static FileError System(FileOp op, std::string path, int code) {
        return {op, FileFault::System, code, std::move(path)};
    }
    static FileError Found(FileOp op, FileFault fault, std::string path) {
        return {op, fault, 0, std::move(path)};
    }
    bool operator==(const FileError&) const = default;
};

// The outcome of a file operation that gives nothing back: done, or the reason it was not.
class [[nodiscard]] FileStatus final {
public:
    FileStatus() = default;
    FileStatus(FileError error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }
    // Only when not ok().
    const FileError& error() const { return *m_error; }

private:
    std::optional<FileError> m_error;
};

// The outcome of a file operation that gives a value back: the value, or the reason there is none.
template <class T> class [[nodiscard]] FileResult final {
public:
    FileResult(T value) : m_value(std::in_place_index<0>, std::move(value)) {}
    FileResult(FileError error) : m_value(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }
    // Only when ok().
    const T& value() const { return std::get<0>(m_value); }
    // Only when not ok().
    const FileError& error() const { return std::get<1>(m_value); }
    FileStatus status() const { return ok() ? FileStatus() : FileStatus(error()); }

private:
    std::variant<T, FileError> m_value;
};

} // namespace sv
