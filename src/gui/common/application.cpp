// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/application.h"

#include <exception>
#include <string>

namespace sv {

TSorvantaApp::TSorvantaApp(int& argc, char** argv) : QApplication(argc, argv) {}

bool TSorvantaApp::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (m_box != nullptr) {
            MessageBoxRequest request;
            request.title = "Sorvanta";
            request.text = std::string("予期しないエラーが発生しました。\n") + error.what();
            request.icon = MbIcon::Error;
            m_box->Show(request);
        }
    }
    return false;
}

} // namespace sv
