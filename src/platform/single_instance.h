// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace sv {

// Where the lock and the channel may live, best first. Only a folder this user alone can enter
// will do: in a folder others can write, anyone could hold the lock or answer the channel and so
// keep the program from starting.
struct PrivatePlaces {
    QString runtime; // $XDG_RUNTIME_DIR; used as it is, never made
    QString session; // the session's runtime folder /run/user/<uid> when the variable is unset
                     // (cron), so that a run from a timer still meets the window; never made
    QString cache;   // the user's cache folder; "sorvanta/run" is made below it
    QString temp;    // the temporary folder; "sorvanta-<uid>" is made below it

    static PrivatePlaces FromEnvironment();
};

// One running program per program folder: what the lock protects is that folder's data files,
// so the lock and the channel that brings the running program to the front are named after it.
// Two installations, or two test runs in temporary folders, do not block each other.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // `programFolder` is a native path.
    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the only one for the folder, or when it cannot tell (see
    // Problem). Otherwise the running one has been asked to come to the front.
    bool Claim();

    // Why Claim could not guard the folder, as a line for standard error; empty when it could.
    const QString& Problem() const { return m_problem; }

    // The name of the lock and the local channel, e.g. "sorvanta-1a2b3c4d5e6f7a8b".
    static QString KeyFor(const QString& programFolder);

    // The first of `places` that is a real folder of this user's nobody else can enter, made
    // where it may be; empty, with the reason for every place in `why`, when there is none.
    static QString PrivateFolder(const PrivatePlaces& places, QStringList* why = nullptr);

signals:
    void ActivationRequested();

private:
    void AskRunningToShow() const;

    QString m_key;
    QString m_serverName; // a full path: a bare name would land in the shared temporary folder
    QString m_problem;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};

} // namespace sv
