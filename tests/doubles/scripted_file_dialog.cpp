// SPDX-License-Identifier: GPL-3.0-or-later
#include "doubles/scripted_file_dialog.h"

namespace sv {

std::optional<std::string> ScriptedFileDialog::Choose(const FileDialogRequest& request) {
    m_asked.push_back(request);
    if (m_choices.empty())
        return std::nullopt; // nobody scripted a choice: behave as a cancel
    std::optional<std::string> choice = std::move(m_choices.front());
    m_choices.pop_front();
    return choice;
}

} // namespace sv
