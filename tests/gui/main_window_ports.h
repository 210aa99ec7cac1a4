// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/main_window.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"

#include <memory>
#include <string>

namespace sv::testing {

// The scripted ports a main-window test drives, and the window made over a program folder.
struct MainWindowPorts final {
    ScriptedMessageBox box;
    ScriptedFileDialog dialog;
    RecordingShell shell;

    // A main window whose data files live in `programFolder` (a path text), not yet shown.
    std::unique_ptr<TFormMain> MakeWindow(const std::string& programFolder) {
        TMainWindowEnv env;
        env.programFolder = programFolder;
        env.iniFileName = "Sorvanta.ini";
        env.box = &box;
        env.fileDialog = &dialog;
        env.shell = &shell;
        return std::make_unique<TFormMain>(env);
    }
};

} // namespace sv::testing
