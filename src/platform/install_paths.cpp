// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/install_paths.h"

#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/removal.h"

#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

// Set by the build: the install folders relative to the prefix.
#ifndef SORVANTA_INSTALL_LIBDIR
#define SORVANTA_INSTALL_LIBDIR "lib"
#endif
#ifndef SORVANTA_INSTALL_DATADIR
#define SORVANTA_INSTALL_DATADIR "share"
#endif

namespace sv {
namespace {

std::string WithBackslash(std::string text) {
    if (text.empty() || text.back() != '\\')
        text += '\\';
    return text;
}

// <prefix> for an executable in <prefix>/bin; empty otherwise.
std::string PrefixOf(std::string_view executableFolder) {
    const std::string_view folder = WithoutTrailingSeparators(executableFolder);
    const std::string_view last = LastComponent(folder);
    if (last != "bin" || last.size() == folder.size())
        return {};
    return std::string(folder.substr(0, folder.size() - last.size() - 1));
}

std::string UnderPrefix(std::string_view executableFolder, std::string_view relative) {
    const std::string prefix = PrefixOf(executableFolder);
    if (prefix.empty())
        return {};
    return WithBackslash(prefix + "\\" + FromNativePath(relative) + "\\sorvanta");
}

std::string UserDataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/')
        return xdg;
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && env[0] == '/')
        home = env;
    else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        home = pw->pw_dir;
    return home.empty() ? std::string() : home + "/.local/share";
}

} // namespace

bool FolderTakesFiles(std::string_view folderPathText) {
    std::string probe = ToNativePath(WithBackslash(std::string(folderPathText))) + ".sorvanta-probe-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool IsInstalled(std::string_view executableFolder) {
    const std::string shared = UnderPrefix(executableFolder, SORVANTA_INSTALL_DATADIR);
    return !shared.empty() && FolderExists(shared);
}

std::string DataFolderFor(std::string_view executableFolder, DataFolderUse use) {
    const std::string beside = WithBackslash(std::string(executableFolder));
    // Only looking may not even leave a trace in the folder's time stamp: the permission has to do.
    const auto takesFiles = [&] {
        return use == DataFolderUse::LookOnly ? ::access(ToNativePath(beside).c_str(), W_OK | X_OK) == 0
                                              : FolderTakesFiles(beside);
    };
    // An installed program never writes into bin/, even where it could (root, a user prefix).
    if (!IsInstalled(executableFolder) && takesFiles())
        return beside;
    const std::string home = UserDataHome();
    if (home.empty())
        return beside;
    const std::string folder = WithBackslash(FromNativePath(home + "/sorvanta"));
    if (use == DataFolderUse::Make)
        (void)ForceFolder(folder);
    return folder;
}

std::string HelpFolderFor(std::string_view executableFolder) {
    const std::string beside = JoinPath(executableFolder, "help") + "\\";
    if (FolderExists(beside))
        return beside;
    const std::string installed = UnderPrefix(executableFolder, SORVANTA_INSTALL_DATADIR);
    if (!installed.empty() && FolderExists(installed + "help"))
        return installed + "help\\";
    return beside;
}

std::string PrivateLibraryFolderFor(std::string_view executableFolder) {
    return UnderPrefix(executableFolder, SORVANTA_INSTALL_LIBDIR);
}

} // namespace sv
