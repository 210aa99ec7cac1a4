// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace sv {

enum class FileDialogKind { Folder, Open, Save };

// Every path here is a path text; the window side converts at its edge.
struct FileDialogRequest final {
    FileDialogKind kind = FileDialogKind::Folder;
    std::string title;
    std::string start;         // preselected folder, or file for the open and save dialogs
    std::string filter;        // e.g. "CSV ファイル (*.csv)"; unused by the folder browser
    std::string defaultSuffix; // appended by the save dialog to a name typed without one
};

// The folder browser and the file open/save dialogs: windows show the real ones, tests queue the
// next chosen path (or a cancel) and read back what was asked.
class FileDialog {
public:
    virtual ~FileDialog() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> Choose(const FileDialogRequest& request) = 0;
};

} // namespace sv
