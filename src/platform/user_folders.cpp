// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user_folders.h"

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {
namespace {

bool IsFolder(const std::string& native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// One line of user-dirs.dirs: XDG_DOWNLOAD_DIR="$HOME/Downloads" or ="/absolute/path", with shell
// escapes (\" \\ \$ \`) inside the quotes. Anything else is no answer.
std::string DownloadEntry(std::string_view line, const std::string& home) {
    constexpr std::string_view kKey = "XDG_DOWNLOAD_DIR=\"";
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    if (!line.starts_with(kKey))
        return {};
    line.remove_prefix(kKey.size());
    std::string value;
    bool closed = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            value += line[++i];
        } else if (line[i] == '"') {
            closed = true;
            break;
        } else {
            value += line[i];
        }
    }
    if (!closed)
        return {};
    if (value == "$HOME")
        return home;
    if (value.starts_with("$HOME/"))
        return home + value.substr(5);
    return value.starts_with('/') ? value : std::string();
}

std::string Home() {
    if (const char* env = std::getenv("HOME"); env != nullptr && env[0] == '/')
        return env;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return {};
}

} // namespace

std::string DownloadFolderOf(const std::string& home, const std::string& userDirsFile) {
    if (home.empty())
        return {};
    const std::string homeFolder = WithoutTrailingSlashes(home);
    std::string chosen;
    std::ifstream dirs(userDirsFile);
    for (std::string line; std::getline(dirs, line);) {
        // The last assignment wins, as when the shell reads the file.
        if (std::string entry = DownloadEntry(line, homeFolder); !entry.empty())
            chosen = WithoutTrailingSlashes(std::move(entry));
    }
    if (chosen.empty() || chosen == homeFolder)
        chosen = homeFolder + "/Downloads";
    return IsFolder(chosen) ? chosen : std::string();
}

std::string DownloadFolder() {
    const std::string home = Home();
    if (home.empty())
        return {};
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
        config = xdg;
    else
        config = home + "/.config";
    return DownloadFolderOf(home, config + "/user-dirs.dirs");
}

} // namespace sv
