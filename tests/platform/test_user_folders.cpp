// SPDX-License-Identifier: GPL-3.0-or-later
// The download folder a first start offers: the desktop's user-dirs.dirs first, ~/Downloads else,
// and only a folder that is there.
#include "platform/user_folders.h"

#include "testing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace sv {
namespace {

using testing::TempFolder;

struct UserFolders : ::testing::Test {
    UserFolders() { std::filesystem::create_directories(dir.NativeFile("home/.config")); }
    std::string Home() const { return dir.NativeFile("home"); }
    std::string DirsFile() const { return dir.NativeFile("home/.config/user-dirs.dirs"); }
    void WriteDirs(const std::string& text) const { dir.WriteBytes("home/.config/user-dirs.dirs", text); }
    void MakeFolder(const std::string& relative) const {
        std::filesystem::create_directories(dir.NativeFile(relative));
    }
    std::string Found() const { return DownloadFolderOf(Home(), DirsFile()); }

    TempFolder dir;
};

TEST_F(UserFolders, TheDesktopsDownloadFolderComesFirst) {
    MakeFolder("home/ダウンロード");
    MakeFolder("home/Downloads");
    // As xdg-user-dirs-update writes the file: comments, other folders, $HOME-relative values.
    WriteDirs("# This file is written by xdg-user-dirs-update\n"
              "XDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n"
              "XDG_DOWNLOAD_DIR=\"$HOME/ダウンロード\"\n"
              "XDG_MUSIC_DIR=\"$HOME/音楽\"\n");
    EXPECT_EQ(Found(), Home() + "/ダウンロード");
    // An absolute value with the shell's escapes, and a trailing slash; the last line wins.
    const std::string odd = dir.NativeFile("dl \"quoted\" $cash`tick`\\back");
    std::filesystem::create_directories(odd);
    WriteDirs("XDG_DOWNLOAD_DIR=\"$HOME/ダウンロード\"\n"
              "  XDG_DOWNLOAD_DIR=\"" +
              dir.Native() + "/dl \\\"quoted\\\" \\$cash\\`tick\\`\\\\back/\"\n");
    EXPECT_EQ(Found(), odd);
}

TEST_F(UserFolders, WithoutAnAnswerFromTheDesktopTheHomesDownloadsFolder) {
    // No file at all.
    EXPECT_EQ(Found(), "");
    MakeFolder("home/Downloads");
    EXPECT_EQ(Found(), Home() + "/Downloads");
    // The folder turned off (set to the home folder itself): never the whole home.
    WriteDirs("XDG_DOWNLOAD_DIR=\"$HOME/\"\n");
    EXPECT_EQ(Found(), Home() + "/Downloads");
    WriteDirs("XDG_DOWNLOAD_DIR=\"$HOME\"\n");
    EXPECT_EQ(Found(), Home() + "/Downloads");
    // Lines that are not a plain assignment are no answer: a relative path, an open quote.
    WriteDirs("XDG_DOWNLOAD_DIR=\"ダウンロード\"\nXDG_DOWNLOAD_DIR=\"$HOME/x\n#XDG_DOWNLOAD_DIR=\"/tmp\"\n");
    EXPECT_EQ(Found(), Home() + "/Downloads");
    std::filesystem::remove(dir.NativeFile("home/Downloads"));
    EXPECT_EQ(Found(), "");
}

TEST_F(UserFolders, AFolderThatIsNotThereIsNotOffered) {
    MakeFolder("home/Downloads");
    // The desktop names a folder that is gone: nothing, rather than a folder it did not name.
    WriteDirs("XDG_DOWNLOAD_DIR=\"$HOME/消えたフォルダ\"\n");
    EXPECT_EQ(Found(), "");
    // A file of that name is no folder either.
    dir.WriteBytes("home/消えたフォルダ", "x");
    EXPECT_EQ(Found(), "");
}

// The program's own call reads HOME and XDG_CONFIG_HOME.
TEST_F(UserFolders, TheEnvironmentNamesHomeAndConfiguration) {
    struct Saved final {
        explicit Saved(const char* name) : name(name) {
            if (const char* value = std::getenv(name))
                old = value;
        }
        ~Saved() {
            if (old)
                ::setenv(name, old->c_str(), 1);
            else
                ::unsetenv(name);
        }
        const char* name;
        std::optional<std::string> old;
    };
    const Saved home("HOME");
    const Saved config("XDG_CONFIG_HOME");
    MakeFolder("home/dl");
    MakeFolder("elsewhere");
    dir.WriteBytes("elsewhere/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/dl\"\n");
    ::setenv("HOME", Home().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", dir.NativeFile("elsewhere").c_str(), 1);
    EXPECT_EQ(DownloadFolder(), Home() + "/dl");
    // Without XDG_CONFIG_HOME the file is looked for in ~/.config, which has none here.
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DownloadFolder(), "");
}

} // namespace
} // namespace sv
