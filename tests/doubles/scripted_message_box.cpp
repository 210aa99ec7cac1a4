// SPDX-License-Identifier: GPL-3.0-or-later
#include "doubles/scripted_message_box.h"

namespace sv {

MbAnswer ScriptedMessageBox::Show(const MessageBoxRequest& request) {
    m_shown.push_back(request);
    if (m_answers.empty()) {
        ++m_unanswered;
        return request.defaultButton;
    }
    const MbAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

} // namespace sv
