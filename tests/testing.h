// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace sv::testing {

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class TempFolder final {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder as a path text with a trailing backslash, as the data-file functions take it.
    const std::string& PathText() const { return m_pathText; }
    const std::string& Native() const { return m_native; }
    std::string NativeFile(std::string_view name) const { return m_native + "/" + std::string(name); }

    void WriteBytes(std::string_view name, std::string_view bytes) const;
    std::string ReadBytes(std::string_view name) const;
    bool Exists(std::string_view name) const;

private:
    std::string m_native;
    std::string m_pathText;
};

// UTF-8 text to code page 932 bytes; the test fails loudly when it cannot be held.
std::string Sjis(std::string_view utf8);

} // namespace sv::testing
