// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_ui.h"
#include "platform/messagebox.h"

#include <string>

namespace sv {

// The message boxes of a test run: nothing is asked. What a real run would ask or report becomes
// a note of the run, and every question takes the answer its default button gives, as the real
// run would when Enter is pressed.
class PreviewMessageBox final : public MessageBox {
public:
    explicit PreviewMessageBox(RunUi& ui) : m_ui(ui) {}
    MbAnswer Show(const MessageBoxRequest& request) override;

private:
    RunUi& m_ui;
};

// The note for a box of a test run, on one line.
std::string PreviewNote(const MessageBoxRequest& request);

} // namespace sv
