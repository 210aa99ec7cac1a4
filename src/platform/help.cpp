// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/help.h"

#include "platform/files.h"
#include "platform/install_paths.h"
#include "platform/pathtext.h"

namespace sv {

std::string HelpPagePath(std::string_view programFolder, int context) {
    const std::string page = std::to_string(context) + ".html";
    const std::string beside = JoinPath(JoinPath(programFolder, "help"), page);
    if (FileExists(beside))
        return beside;
    // An installed program keeps its data apart from the pages it ships with.
    const std::string installed = JoinPath(HelpFolderFor(ExecutableFolder()), page);
    return FileExists(installed) ? installed : beside;
}

void ShowHelp(std::string_view programFolder, int context, Shell& shell, MessageBox& box) {
    const std::string page = HelpPagePath(programFolder, context);
    MessageBoxRequest request;
    request.title = "Sorvanta";
    request.icon = MbIcon::Error;
    if (!FileExists(page)) {
        request.text = "ヘルプファイルが見つかりません！　";
        box.Show(request);
        return;
    }
    const Status opened = shell.OpenFile(page);
    if (!opened.ok()) {
        request.text = "ヘルプを開けませんでした。\n" + opened.error();
        box.Show(request);
    }
}

} // namespace sv
