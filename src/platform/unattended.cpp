// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unattended.h"

namespace sv {

std::string_view AnswerText(MbAnswer answer) {
    switch (answer) {
    case MbAnswer::Ok:
        return "OK";
    case MbAnswer::Cancel:
        return "キャンセル";
    case MbAnswer::Yes:
        return "はい";
    case MbAnswer::No:
        return "いいえ";
    }
    return "";
}

MbAnswer UnattendedAnswer(const MessageBoxRequest& request) {
    switch (request.buttons) {
    case MbButtons::Ok:
        return MbAnswer::Ok;
    case MbButtons::YesNo:
        return MbAnswer::No;
    case MbButtons::OkCancel:
    case MbButtons::YesNoCancel:
        return MbAnswer::Cancel;
    }
    return MbAnswer::Cancel;
}

std::string UnattendedLine(const MessageBoxRequest& request, MbAnswer answer) {
    std::string text;
    for (const char c : request.text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            if (!text.empty() && text.back() != ' ')
                text.push_back(' ');
            continue;
        }
        text.push_back(c);
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return "[" + request.title + "] " + text + " -> " + std::string(AnswerText(answer));
}

} // namespace sv
