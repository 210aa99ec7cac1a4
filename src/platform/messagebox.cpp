// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/messagebox.h"

namespace sv {

void Tell(MessageBox& box, std::string_view title, std::string_view text, MbIcon icon) {
    box.Show({std::string(title), std::string(text), icon, MbButtons::Ok, MbAnswer::Ok});
}

bool Ask(MessageBox& box, std::string_view title, std::string_view text, MbAnswer defaultButton,
         MbIcon icon) {
    return box.Show({std::string(title), std::string(text), icon, MbButtons::YesNo, defaultButton}) ==
           MbAnswer::Yes;
}

} // namespace sv
