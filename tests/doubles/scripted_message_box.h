// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"

#include <deque>
#include <vector>

namespace sv {

// Answers the boxes from a queue and keeps what was shown.
class ScriptedMessageBox final : public MessageBox {
public:
    void QueueAnswer(MbAnswer answer) { m_answers.push_back(answer); }
    MbAnswer Show(const MessageBoxRequest& request) override;

    const std::vector<MessageBoxRequest>& Shown() const { return m_shown; }
    bool AllAnswersUsed() const { return m_answers.empty(); }
    // A box shown with no queued answer takes its default button and is counted here.
    int Unanswered() const { return m_unanswered; }

private:
    std::deque<MbAnswer> m_answers;
    std::vector<MessageBoxRequest> m_shown;
    int m_unanswered = 0;
};

} // namespace sv
