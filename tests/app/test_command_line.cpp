// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: its switches and their long names, Qt's options where a window is
// shown, and everything else refused by name; what "/t" and the service print.
#include "app/command_line.h"
#include "app/console_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace sv;

namespace {

TCommandLine Parse(std::vector<std::string_view> arguments) {
    return ParseCommandLine(arguments);
}

} // namespace

TEST(CommandLine, EverySwitchHasALinuxNameBesideItsOwn) {
    EXPECT_EQ(Parse({}).command, Command::Window);
    const std::vector<std::pair<std::vector<std::string_view>, Command>> cases{
        {{"/a"}, Command::RunAll},         {{"--run-all"}, Command::RunAll},
        {{"/t"}, Command::TestRun},        {{"--test-run"}, Command::TestRun},
        {{"/w"}, Command::Watch},          {{"--watch"}, Command::Watch},
        {{"--help"}, Command::Help},       {{"-h"}, Command::Help},
        {{"--version"}, Command::Version},
    };
    for (const auto& [arguments, command] : cases)
        EXPECT_EQ(Parse(arguments).command, command) << arguments[0];
    // Asking for help or the version is answered whatever else is there.
    EXPECT_EQ(Parse({"/a", "--help"}).command, Command::Help);
    EXPECT_EQ(Parse({"--bogus", "--version"}).command, Command::Version);
}

TEST(CommandLine, QtOptionsGoWithAWindowOnly) {
    EXPECT_EQ(Parse({"-platform", "xcb"}).command, Command::Window);
    EXPECT_EQ(Parse({"-style=fusion", "--reverse"}).command, Command::Window);
    EXPECT_EQ(Parse({"/a", "-platform", "offscreen"}).command, Command::RunAll);
    // Their values are theirs, not switches of ours.
    EXPECT_EQ(Parse({"-platform", "/t"}).command, Command::Window);
    for (const std::vector<std::string_view>& arguments :
         {std::vector<std::string_view>{"--watch", "-style", "fusion"}, {"-style", "fusion", "/t"}}) {
        const TCommandLine line = Parse(arguments);
        EXPECT_EQ(line.command, Command::Unknown);
        EXPECT_EQ(line.unknown, "-style");
    }
}

TEST(CommandLine, AnythingElseIsNamedAsUnknown) {
    for (const std::string_view argument : {"/x", "/A", "--verbose", "-a", "a", "/home/user/file.txt", ""}) {
        const TCommandLine line = Parse({argument});
        EXPECT_EQ(line.command, Command::Unknown) << argument;
        EXPECT_EQ(line.unknown, argument);
    }
    // One switch at a time, and nothing after it.
    EXPECT_EQ(Parse({"/a", "/t"}).unknown, "/t");
    EXPECT_EQ(Parse({"/a", "/a"}).unknown, "/a");
    EXPECT_EQ(Parse({"--watch", "extra"}).unknown, "extra");
}

TEST(CommandLine, TheUsageNamesEverySwitchOnALineOfItsOwn) {
    const std::string usage = UsageText();
    for (const char* line : {"\n  /a, --run-all ", "\n  /t, --test-run ", "\n  /w, --watch ",
                             "\n  -h, --help ", "\n      --version "})
        EXPECT_NE(usage.find(line), std::string::npos) << line;
    for (const char* status : {"0 正常", "1 起動", "2 不明なオプション", "3 データフォルダ", "255 "})
        EXPECT_NE(usage.find(status), std::string::npos) << status;
    EXPECT_EQ(VersionText(), "Sorvanta 3.90\n");
}

TEST(CommandLine, WhoHoldsTheFolderIsSaid) {
    const std::string service = BusyFolderLine(FolderHolder::Service, 4242, "/home/u/.local/share/sorvanta");
    EXPECT_EQ(service,
              "Sorvanta: バックグラウンドサービス（sorvanta --watch、プロセス 4242）がデータフォルダ "
              "/home/u/.local/share/sorvanta を使用中のため、実行しません。サービスを止めるには "
              "systemctl --user stop sorvanta-watch を実行します。\n");
    EXPECT_NE(BusyFolderLine(FolderHolder::Window, 7, "/d").find("Sorvanta のウィンドウ（プロセス 7）"),
              std::string::npos);
    EXPECT_NE(BusyFolderLine(FolderHolder::OneShot, 0, "/d").find("（/a または /t）"), std::string::npos);
    EXPECT_EQ(BusyFolderLine(FolderHolder::Unknown, 0, "/d"),
              "Sorvanta: 別の Sorvanta がデータフォルダ /d を使用中のため、実行しません。\n");
}

// Nobody answers: each box takes the answer that leaves files alone and is one line of the log.
TEST(ConsoleRun, BoxesAndNotesAreLinesOfTheLog) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* log = ::open_memstream(&text, &size);
    ASSERT_NE(log, nullptr);
    UnattendedMessageBox box(log);
    EXPECT_EQ(box.Show({"Sorvanta", "フォルダを作成しますか？\n作成しない場合は…", MbIcon::Question,
                        MbButtons::YesNo, MbAnswer::Yes}),
              MbAnswer::No);
    ConsoleRunUi ui(nullptr, log);
    ui.AddNote("a\tb\nc");
    ui.AddResultRow({"x.jpg", "  ", "\\dst", "\\src"}); // no rows wanted: nothing
    EXPECT_FALSE(ui.CancelRequested());
    bool stop = false;
    ui.cancelRequested = [&stop] { return stop; };
    stop = true;
    EXPECT_TRUE(ui.CancelRequested());
    std::fclose(log);
    EXPECT_EQ(std::string(text, size),
              "[Sorvanta] フォルダを作成しますか？ 作成しない場合は… -> いいえ\nSorvanta: a\\tb\\nc\n");
    std::free(text);
}
