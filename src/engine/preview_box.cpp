// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/preview_box.h"

#include "platform/unattended.h"

namespace sv {
namespace {

std::string OneLine(std::string text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n' || c == '\r') {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace

std::string PreviewNote(const MessageBoxRequest& request, MbAnswer answer) {
    const std::string text = OneLine(request.text);
    if (request.buttons == MbButtons::Ok)
        return "実行すると次のメッセージが表示されます：" + text;
    return "実行すると次の確認が表示されます：" + text + " → [" + std::string(AnswerText(answer)) +
           "] として続けます。";
}

std::string PreviewNote(const MessageBoxRequest& request) {
    return PreviewNote(request, request.defaultButton);
}

MbAnswer PreviewMessageBox::Show(const MessageBoxRequest& request) {
    const MbAnswer answer = m_unattended ? UnattendedAnswer(request) : request.defaultButton;
    m_ui.AddNote(PreviewNote(request, answer));
    return answer;
}

} // namespace sv
