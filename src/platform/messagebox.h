// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace sv {

enum class MbIcon { None, Information, Question, Warning, Error };
enum class MbButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MbAnswer { Ok, Cancel, Yes, No };

struct MessageBoxRequest final {
    std::string title;
    std::string text;
    MbIcon icon = MbIcon::None;
    MbButtons buttons = MbButtons::Ok;
    MbAnswer defaultButton = MbAnswer::Ok;
};

// Every message box of the program goes through this port: the windows show a real box, tests
// queue the answers and read back what was shown.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual MbAnswer Show(const MessageBoxRequest& request) = 0;
};

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
