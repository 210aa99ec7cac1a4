// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace sv {

// The digest library loaded at run time (libmd5.so, md5.dll on Windows). It counts as available
// only when it loads, has all six entry points and gives an algorithm handle; the handle is made
// once and reused for every file. The calls below are made by one thread at a time: the run
// never starts a second worker before the first has ended.
class DigestLibrary final {
public:
    // The program's own: the executable's folder first, then the platform's standard search.
    DigestLibrary();
    // Only this file (a native path), so that a test chooses what is loaded.
    explicit DigestLibrary(std::string nativeFile);
    ~DigestLibrary();
    DigestLibrary(const DigestLibrary&) = delete;
    DigestLibrary& operator=(const DigestLibrary&) = delete;

    // Loads the library unless it is loaded already; true when it is available.
    bool EnsureLoaded();
    bool Loaded() const;
    // Gives the handle back and unloads the library; the next EnsureLoaded loads it again.
    void Release();
    // Where the loaded library came from (native path), empty when none is loaded.
    std::string LoadedFile() const;

    // Status 0 = success, as the library gives it.
    std::int32_t InitAlgorithm() const;
    std::int32_t InputData(const void* data, std::int32_t count) const;
    // The digest text of what was fed since InitAlgorithm; nothing when the library fails.
    std::optional<std::string> HashText() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The one the program runs with; released when the main window closes.
DigestLibrary& ProgramDigestLibrary();

} // namespace sv
