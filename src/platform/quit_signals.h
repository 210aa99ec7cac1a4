// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace sv {

// Turns SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C in the terminal that started the
// program) into a signal on the GUI thread, so the program closes as from its menu and saves
// instead of dying with unsaved changes.
class QuitSignals final : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void QuitRequested();

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace sv
