// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace sv {

// Why the digest library is not available, from the candidate that came furthest.
enum class DigestFault {
    NotLoaded,       // no candidate loads as a library
    LacksEntryPoint, // one loads, but without all six entry points
    NoAlgorithm,     // one has them all, but gives no algorithm handle
};

// The digest library loaded at run time (libmd5.so, md5.dll on Windows). It counts as available
// only when it loads, has all six entry points and gives an algorithm handle; the handle is made
// once and reused for every file. Hashing on several threads at once takes one handle per thread:
// `worker` 0 is the first handle, PrepareWorkers makes the others; each is used by one thread at
// a time.
class DigestLibrary final {
public:
    // The program's own: the executable's folder first, then the platform's standard search.
    DigestLibrary();
    // Only this file (a native path), so that a test chooses what is loaded.
    explicit DigestLibrary(std::string nativeFile);
    ~DigestLibrary();
    DigestLibrary(const DigestLibrary&) = delete;
    DigestLibrary& operator=(const DigestLibrary&) = delete;

    // Loads the library unless it is loaded already; succeeds when it is available.
    Result<void, DigestFault> EnsureLoaded();
    bool Loaded() const;
    // Gives the handle back and unloads the library; the next EnsureLoaded loads it again.
    void Release();
    // Where the loaded library came from (native path), empty when none is loaded.
    std::string LoadedFile() const;

    // Makes handles for workers 0 .. count - 1 (kept until Release) and says how many there are:
    // fewer when the library gives no more. Call it before the workers start.
    std::size_t PrepareWorkers(std::size_t count) const;

    // Status 0 = success, as the library gives it.
    std::int32_t InitAlgorithm(std::size_t worker = 0) const;
    std::int32_t InputData(const void* data, std::int32_t count, std::size_t worker = 0) const;
    // The digest text of what was fed since InitAlgorithm; nothing when the library fails.
    std::optional<std::string> HashText(std::size_t worker = 0) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The one the program runs with; released when the main window closes.
DigestLibrary& ProgramDigestLibrary();

} // namespace sv
