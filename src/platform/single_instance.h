// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace sv {

// One running program per program folder: what the lock protects is that folder's data files,
// so the lock and the channel that brings the running program to the front are named after it.
// Two installations, or two test runs in temporary folders, do not block each other.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // `programFolder` is a native path.
    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the only one for the folder. Otherwise the running one has
    // been asked to come to the front.
    bool Claim();

    // The name of the lock and the local channel, e.g. "sorvanta-1a2b3c4d5e6f7a8b".
    static QString KeyFor(const QString& programFolder);

signals:
    void ActivationRequested();

private:
    void AskRunningToShow() const;

    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};

} // namespace sv
