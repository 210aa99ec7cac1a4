// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/known_extensions.h"

#include "platform/fold.h"

#include <array>
#include <string>

namespace sv {
namespace {

// The order counts: the first extension found is the one removed (".htm" comes before ".html").
constexpr std::array<std::string_view, 61> kKnownExtensions = {
    ".wmv",  ".wma", ".avi", ".mpg", ".mpeg",   ".bmp", ".jpg", ".scr", ".cur", ".dll", ".mp3",
    ".wav",  ".qt",  ".rm",  ".ram", ".exe",    ".com", ".ocx", ".vbx", ".bat", ".vxd", ".js",
    ".lzh",  ".zip", ".cab", ".dat", ".tar",    ".jar", ".sys", ".reg", ".ini", ".inf", ".drv",
    ".jpeg", ".swf", ".rar", ".png", ".ttc",    ".cfg", ".pwl", ".bin", ".txt", ".hlp", ".htm",
    ".html", ".m2p", ".pdf", ".gid", ".css",    ".doc", ".csv", ".jxw", ".jsw", ".jtd", ".mpa",
    ".pif",  ".tif", ".jaw", ".jbw", ".folder", ".gjb"};

} // namespace

int CountKnownExtensions(std::string_view name) {
    std::string text = LowerCase(name);
    int count = 0;
    for (std::size_t i = 0; i < kKnownExtensions.size();) {
        const std::string_view ext = kKnownExtensions[i];
        const std::size_t p = text.find(ext);
        if (p == std::string::npos) {
            ++i;
            continue;
        }
        // The dot and all but the last letter go: the extension's length without its dot, in
        // characters, which are single bytes here as the dot and letters are ASCII.
        ++count;
        text.erase(p, ext.size() - 1);
        i = 0;
    }
    return count;
}

} // namespace sv
