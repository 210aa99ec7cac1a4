// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/install_paths.h"

#include "platform/fileops_testing.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace sv {
namespace {

using testing::TempFolder;

TEST(InstallPaths, HelpAndLibraryAreFoundFromTheProgramsPlace) {
    TempFolder dir;
    std::filesystem::create_directories(dir.NativeFile("usr/bin"));
    std::filesystem::create_directories(dir.NativeFile("usr/share/sorvanta/help"));
    const std::string bin = dir.PathText() + "usr\\bin\\";
    EXPECT_EQ(HelpFolderFor(bin), dir.PathText() + "usr\\share\\sorvanta\\help\\");
    EXPECT_EQ(PrivateLibraryFolderFor(bin), dir.PathText() + "usr\\lib\\sorvanta\\");
    // Beside the program wins: run.sh's folder and a portable copy carry their own pages.
    std::filesystem::create_directories(dir.NativeFile("usr/bin/help"));
    EXPECT_EQ(HelpFolderFor(bin), bin + "help\\");
    // A program not in a "bin" folder has no installed folders.
    EXPECT_EQ(PrivateLibraryFolderFor(dir.PathText()), "");
}

TEST(InstallPaths, DataStaysBesideAProgramWhoseFolderTakesFiles) {
    TempFolder dir;
    EXPECT_TRUE(FolderTakesFiles(dir.PathText()));
    EXPECT_EQ(DataFolderFor(dir.PathText()), dir.PathText());
    // Nothing is left behind by the probe.
    EXPECT_TRUE(std::filesystem::is_empty(dir.Native()));
}

TEST(InstallPaths, AnInstalledProgramKeepsItsDataInTheUsersDataFolder) {
    TempFolder dir;
    std::filesystem::create_directories(dir.NativeFile("usr/bin"));
    std::filesystem::create_directories(dir.NativeFile("usr/share/sorvanta"));
    std::filesystem::create_directories(dir.NativeFile("data"));
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("XDG_DATA_HOME", dir.NativeFile("data").c_str(), 1);
    // Its bin folder takes files (root, a prefix in the home folder), yet nothing goes there.
    EXPECT_TRUE(IsInstalled(dir.PathText() + "usr\\bin\\"));
    EXPECT_EQ(DataFolderFor(dir.PathText() + "usr\\bin\\"), dir.PathText() + "data\\sorvanta\\");
    EXPECT_FALSE(IsInstalled(dir.PathText()));
    if (old != nullptr)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST(InstallPaths, DataGoesToTheUsersDataFolderWhenTheProgramsFolderTakesNone) {
    TempFolder dir;
    std::filesystem::create_directories(dir.NativeFile("bin"));
    std::filesystem::create_directories(dir.NativeFile("data"));
    const testing::LockedFolder locked(dir.NativeFile("bin"));
    if (!locked.On())
        GTEST_SKIP() << locked.Reason();
    EXPECT_FALSE(FolderTakesFiles(dir.PathText() + "bin"));
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("XDG_DATA_HOME", dir.NativeFile("data").c_str(), 1);
    EXPECT_EQ(DataFolderFor(dir.PathText() + "bin\\"), dir.PathText() + "data\\sorvanta\\");
    EXPECT_TRUE(std::filesystem::is_directory(dir.NativeFile("data/sorvanta")));
    if (old != nullptr)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace sv
