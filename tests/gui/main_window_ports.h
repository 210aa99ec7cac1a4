// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "gui/main/main_window.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sv::testing {

// The scripted ports a main-window test drives, and the window made over a program folder.
struct MainWindowPorts final {
    ScriptedMessageBox box;
    ScriptedFileDialog dialog;
    RecordingShell shell;
    // Handed to the window when set: the periodic runs' clock and whether a tray is there.
    std::function<std::int64_t()> clock;
    std::function<bool()> trayAvailable;
    // What a first start offers as the source folder: never the download folder of whoever runs
    // the tests.
    std::function<std::string()> downloadFolder = [] { return std::string(); };

    // A main window whose data files live in `programFolder` (a path text), not yet shown.
    std::unique_ptr<TFormMain> MakeWindow(const std::string& programFolder) {
        TMainWindowEnv env;
        env.programFolder = programFolder;
        env.iniFileName = "Sorvanta.ini";
        env.box = &box;
        env.fileDialog = &dialog;
        env.shell = &shell;
        env.clock = clock;
        env.trayAvailable = trayAvailable;
        env.downloadFolder = downloadFolder;
        return std::make_unique<TFormMain>(env);
    }
};

} // namespace sv::testing
