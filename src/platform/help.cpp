// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/help.h"

#include "platform/files.h"
#include "platform/pathtext.h"

namespace sv {

std::string HelpPagePath(std::string_view programFolder, int context) {
    return JoinPath(JoinPath(programFolder, "help"), std::to_string(context) + ".html");
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
