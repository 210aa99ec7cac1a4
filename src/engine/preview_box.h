// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_ui.h"
#include "platform/messagebox.h"

#include <string>

namespace sv {

// The message boxes of a test run: nothing is asked. What a real run would ask or report becomes
// a note of the run, and every question takes the answer the real run would get: its default
// button, as when Enter is pressed in the window; or, `unattended`, the answer of a run nobody
// can answer (unattended.h).
class PreviewMessageBox final : public MessageBox {
public:
    PreviewMessageBox(RunUi& ui, bool unattended = false) : m_ui(ui), m_unattended(unattended) {}
    MbAnswer Show(const MessageBoxRequest& request) override;

private:
    RunUi& m_ui;
    bool m_unattended;
};

// The note for a box of a test run that takes `answer`, on one line.
std::string PreviewNote(const MessageBoxRequest& request, MbAnswer answer);
std::string PreviewNote(const MessageBoxRequest& request);

} // namespace sv
