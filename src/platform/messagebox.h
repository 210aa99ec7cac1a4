// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

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

// The program's two usual boxes: a message with one OK button, and a question answered Yes or No
// (true for Yes).
void Tell(MessageBox& box, std::string_view title, std::string_view text, MbIcon icon);
bool Ask(MessageBox& box, std::string_view title, std::string_view text,
         MbAnswer defaultButton = MbAnswer::Yes, MbIcon icon = MbIcon::Warning);

} // namespace sv
