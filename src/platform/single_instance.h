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
//
// The channel takes one line from a second start and answers with what the running program is
// and its process id ("window 1234"): "show" brings a window to the front, "who" only asks, and
// "handover" asks the background service to save, let go of the folder and wait until it is free
// again.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // What the process holding the folder is.
    enum class Role { Window, OneShot, Service };
    // What a start that finds the folder taken asks of the one holding it.
    enum class Request { Show, Who, HandOver };
    // The answer of the one holding the folder; `known` is false when it did not answer.
    struct Holder {
        bool known = false;
        Role role = Role::Window;
        qint64 pid = 0;
    };

    // `programFolder` is a native path.
    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // What this process answers when asked.
    void SetRole(Role role) { m_role = role; }

    // True when this process is now the only one for the folder, or when it cannot tell (see
    // Problem). Otherwise the running one has been asked `request` and its answer is in
    // HolderFound.
    bool Claim(Request request = Request::Show);
    // Claim without asking anything, tried again until `milliseconds` have passed.
    bool ClaimWithin(int milliseconds);
    const Holder& HolderFound() const { return m_holder; }
    // Asks the running one (after a failed Claim) again; its answer replaces HolderFound.
    Holder Ask(Request request);
    // Lets go of the folder: another process may claim it.
    void Release();
    bool Claimed() const { return m_claimed; }

    // Why Claim could not guard the folder, as a line for standard error; empty when it could.
    const QString& Problem() const { return m_problem; }

    // The name of the lock and the local channel, e.g. "sorvanta-1a2b3c4d5e6f7a8b".
    static QString KeyFor(const QString& programFolder);

    // The first of `places` that is a real folder of this user's nobody else can enter, made
    // where it may be; empty, with the reason for every place in `why`, when there is none.
    static QString PrivateFolder(const PrivatePlaces& places, QStringList* why = nullptr);

signals:
    void ActivationRequested();
    void HandOverRequested();

private:
    void Answer(class QLocalSocket* socket);

    QString m_key;
    Role m_role = Role::Window;
    Holder m_holder;
    bool m_claimed = false;
    bool m_asking = true;
    QString m_serverName; // a full path: a bare name would land in the shared temporary folder
    QString m_problem;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};

} // namespace sv
