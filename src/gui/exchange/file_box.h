// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exchange/recent_files.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"

#include <QRect>

#include <string>

class QComboBox;
class QWidget;

namespace sv {

// The ports and the program folder the two exchange dialogs work with.
struct TExchangeEnv final {
    std::string programFolder; // path text with a trailing backslash; the help pages live below it
    MessageBox* box = nullptr;
    FileDialog* fileDialog = nullptr;
    Shell* shell = nullptr;
};

// The editable file-name box of both exchange dialogs, `CboFile`, and what they do with it.
QComboBox* MakeFileBox(QWidget* parent, QRect geometry);

// The non-empty recent-file recent in slot order, the first selected.
void FillFileBox(QComboBox* box, const TRecentSlots& recent);

// The typed name as a path text; a name without a folder is taken in the program folder.
std::string FileBoxPathText(const QComboBox* box, const std::string& programFolder);

// The recent-file update on the box's list and the recent, with `pathText` as the current name.
void RememberFile(QComboBox* box, const std::string& pathText, TRecentSlots& recent);

// The file dialog opened at the typed name; a chosen name replaces the box's text.
void BrowseForFile(QComboBox* box, const TExchangeEnv& env, FileDialogRequest request);

} // namespace sv
