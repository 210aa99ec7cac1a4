// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fileops.h"

#include <QElapsedTimer>
#include <QPointer>

#include <cstdint>

class QProgressDialog;
class QWidget;

namespace sv {

// The "振り分け中..." window of a long copy. It appears only when a copy takes a while; its
// cancel button aborts the copy, which then removes its partial target.
class TTransferProgressWindow final : public TransferProgress {
public:
    explicit TTransferProgressWindow(QWidget* owner) : m_owner(owner) {}
    ~TTransferProgressWindow() override;

    void Begin(std::string_view title, std::uint64_t totalBytes) override;
    bool Advance(std::uint64_t bytesDone) override;
    void End() override;

    // The dialog of the copy under way, or null.
    QProgressDialog* Dialog() const;

private:
    QWidget* m_owner;
    QPointer<QProgressDialog> m_dialog;
    std::uint64_t m_total = 0;
    std::uint64_t m_done = 0;
    QElapsedTimer m_sinceEvents; // since events were last let through
};

} // namespace sv
