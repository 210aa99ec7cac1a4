// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/open_folder.h"

#include "platform/files.h"

namespace sv {

void OpenFolder(std::string_view folder, FolderRole role, const TAppSettings& settings, Shell& shell,
                MessageBox& box) {
    const auto error = [&](std::string text) {
        box.Show({"Sorvanta", std::move(text), MbIcon::Error, MbButtons::Ok, MbAnswer::Ok});
    };
    if (folder.empty() || !FolderExists(folder)) {
        error(role == FolderRole::Source ? "振り分け元フォルダが存在しないため、開けません･･･　"
                                         : "振り分け先フォルダが存在しないため、開けません･･･　");
        return;
    }
    const Status opened = settings.Filer && !settings.FilerProg.empty()
                              ? shell.StartProgram(settings.FilerProg, folder)
                              : shell.OpenFolder(folder);
    if (!opened.ok())
        error(opened.error());
}

} // namespace sv
