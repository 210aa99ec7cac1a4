// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/filedialog.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace sv {

// Gives the queued choices and keeps what was asked.
class ScriptedFileDialog final : public FileDialog {
public:
    void QueueChoice(std::optional<std::string> pathText) { m_choices.push_back(std::move(pathText)); }
    std::optional<std::string> Choose(const FileDialogRequest& request) override;

    const std::vector<FileDialogRequest>& Asked() const { return m_asked; }
    bool AllChoicesUsed() const { return m_choices.empty(); }

private:
    std::deque<std::optional<std::string>> m_choices;
    std::vector<FileDialogRequest> m_asked;
};

} // namespace sv
