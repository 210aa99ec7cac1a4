// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sv {

// What the program was started to do.
enum class Command {
    Window,  // the main window
    RunAll,  // "/a", "--run-all": all conditions once, then end
    TestRun, // "/t", "--test-run": the plan of a run, nothing moved
    Watch,   // "/w", "--watch": the background service
    Help,    // "--help", "-h"
    Version, // "--version"
    Unknown, // an argument the program does not know
};

// The exit statuses, as the manual page lists them.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;     // could not start, or the run could not begin
inline constexpr int kExitUsage = 2;      // an unknown option
inline constexpr int kExitFolderBusy = 3; // another Sorvanta uses the data folder

struct TCommandLine final {
    Command command = Command::Window;
    std::string unknown; // the first argument not understood
};

// One of the program's switches, or none for the window; the window also takes Qt's own options
// ("-platform xcb", "-style fusion"), "/a" as well since it shows the window. An argument that is
// neither, or a second switch, is unknown.
TCommandLine ParseCommandLine(const std::vector<std::string_view>& arguments);

// Who holds the data folder when a start finds it taken.
enum class FolderHolder { Unknown, Window, OneShot, Service };

// The line "/a", "/t" and a second "--watch" write when another Sorvanta holds the folder
// (`nativeFolder`); `pid` 0 when it did not say.
std::string BusyFolderLine(FolderHolder holder, long long pid, std::string_view nativeFolder);

// --help: every switch and option, one line each.
std::string UsageText();

// --version.
std::string VersionText();

} // namespace sv
