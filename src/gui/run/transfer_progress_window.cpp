// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/run/transfer_progress_window.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QString>

#include <algorithm>

namespace sv {
namespace {

constexpr int kSteps = 1000;
// A copy that ends sooner shows no window at all.
constexpr int kShowAfterMilliseconds = 800;
// Events go through every few milliseconds, not after every chunk: Cancel and repainting stay
// prompt, and a move of many small files does not spend its time in the event loop.
constexpr qint64 kEventsEveryMilliseconds = 10;

} // namespace

TTransferProgressWindow::~TTransferProgressWindow() {
    delete m_dialog;
}

void TTransferProgressWindow::Begin(std::string_view title, std::uint64_t totalBytes) {
    m_total = totalBytes;
    m_done = 0;
    if (m_dialog == nullptr) {
        m_dialog = new QProgressDialog(m_owner);
        m_dialog->setObjectName(QStringLiteral("TransferProgress"));
        m_dialog->setCancelButtonText(QStringLiteral("キャンセル"));
        m_dialog->setLabelText(QStringLiteral("ファイルを振り分けています..."));
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
    }
    m_dialog->setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    m_dialog->setMinimumDuration(kShowAfterMilliseconds);
    m_dialog->setRange(0, kSteps);
    m_dialog->reset();
    m_dialog->setValue(0);
}

bool TTransferProgressWindow::Advance(std::uint64_t bytesDone) {
    if (m_dialog == nullptr)
        return true;
    m_done += bytesDone;
    const std::uint64_t total = m_total == 0 ? 1 : m_total;
    const auto step = static_cast<int>(std::min<std::uint64_t>(m_done, total) * kSteps / total);
    // A shown modal progress dialog lets events through when its value changes; before it shows
    // and between changes they go through here, so that Cancel and repainting keep working.
    const bool shown = m_dialog->isVisible();
    const bool changed = step != m_dialog->value();
    if (changed)
        m_dialog->setValue(step);
    if ((!shown || !changed) &&
        (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= kEventsEveryMilliseconds)) {
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
    return !m_dialog->wasCanceled();
}

QProgressDialog* TTransferProgressWindow::Dialog() const {
    return m_dialog;
}

void TTransferProgressWindow::End() {
    if (m_dialog != nullptr) {
        m_dialog->reset();
        m_dialog->hide();
    }
}

} // namespace sv
