// SPDX-License-Identifier: GPL-3.0-or-later
#include "testing.h"

#include "platform/cp932.h"
#include "platform/pathtext.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>
#include <sys/stat.h>

namespace sv::testing {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sorvanta-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_native = pattern;
    m_pathText = FromNativePath(m_native) + "\\";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Tests may leave read-only files and folders behind; give the owner write access back first.
    for (auto it = std::filesystem::recursive_directory_iterator(m_native, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        ::chmod(it->path().c_str(), 0700);
    ::chmod(m_native.c_str(), 0700);
    std::filesystem::remove_all(m_native, ec);
}

void TempFolder::WriteBytes(std::string_view name, std::string_view bytes) const {
    std::ofstream out(NativeFile(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write a test file");
}

std::string TempFolder::ReadBytes(std::string_view name) const {
    std::ifstream in(NativeFile(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool TempFolder::Exists(std::string_view name) const {
    return std::filesystem::exists(NativeFile(name));
}

std::string Sjis(std::string_view utf8) {
    auto bytes = Utf8ToCp932(utf8);
    if (!bytes)
        throw std::runtime_error("test text cannot be held by code page 932");
    return *bytes;
}

} // namespace sv::testing
