// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/watch_logic.h"
#include "platform/write_notices.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace sv {

// What the watch needs of whoever runs the sorting: the tray's window or the background service.
struct WatchHost final {
    // A monotonic clock in milliseconds.
    std::function<std::int64_t()> clock;
    // The folders a run of all conditions visits now (path texts).
    std::function<std::vector<std::string>()> folders;
    // Whether an automatic run may start now; when not, the watch looks again after the wait.
    std::function<bool()> mayRun;
    // Performs one run of all conditions on arrival. The host calls RunStarting before the run
    // and RunEnded after it, as for any run while the folders are watched.
    std::function<void()> run;
    // Folders that cannot be watched, said once each while watching (UnwatchableText); periodic
    // runs are to stand in for them.
    std::function<void(const std::string& text)> tell;
};

// Sorting on arrival, for the tray and the background service alike: the source folders watched
// through the kernel's notices (inotify), a state per entry (TArrivalWatch), the countdown, and
// what a run must leave alone. The host drives it: Start and Stop, RunStarting and RunEnded around
// every run while watching, and the run's two questions, Holds and PassedOver.
class WatchController final : public QObject {
public:
    // `timer` is the countdown's single-shot timer (the host's, so that it can be found by name).
    WatchController(WatchHost host, QTimer* timer, QObject* parent = nullptr);
    ~WatchController() override;

    // WatchWait; `quietSeconds`: FileUsingWait in seconds while files in use are left (0 when not);
    // `periodMinutes`: what the text about unwatchable folders says.
    void Configure(int waitSeconds, int quietSeconds, int periodMinutes);
    // Watching begins with the folders the host names; what is there now is not new, or with
    // `catchUp` counts as just arrived (what came while nobody watched is sorted once quiet).
    void Start(bool catchUp = false);
    // The settings or conditions changed: the folders are taken anew, what is known is kept.
    void Refresh();
    // Watching ends; everything known is forgotten.
    void Stop();
    bool Active() const { return m_arrival.Active(); }

    // A run of any kind begins while watching: the entries that are ready go to it.
    void RunStarting();
    // The run ended: what it took is done, the folders are taken anew (one that appeared is
    // watched, one that cannot be is said) and the countdown goes on for what waits.
    void RunEnded();
    // The run's questions: whether to leave an entry alone, and that it passed one over as in use.
    bool Holds(std::string_view pathText);
    void PassedOver(std::string_view pathText);

    // The kernel's notices are read (also whenever they arrive).
    void NoticesArrived();
    // The countdown's timer fired.
    void TimerFired();

    const TArrivalWatch& Arrival() const { return m_arrival; }
    // The folders asked for, and those really watched now.
    const std::vector<std::string>& Folders() const { return m_folders; }
    std::vector<std::string> WatchedFolders() const { return m_notices.Folders(); }
    // A folder could not be watched: periodic runs stand in.
    bool PeriodicFallback() const { return m_fallback; }
    // What was last said of unwatchable folders; the tray shows it until its next automatic run.
    const std::string& Problem() const { return m_problem; }
    void ClearProblem() { m_problem.clear(); }

private:
    std::int64_t Now() const;
    void TakeFolders();
    // Downloads still arriving in the watched folders; with `arrived` every entry counts as new.
    void LookAtFolders(bool arrived);
    void NoteDownload(const std::string& path, bool gone);
    bool HeldNow(const std::string& path, bool folder);
    bool DownloadHeld(std::string_view path) const;
    void ArmTimer();

    WatchHost m_host;
    QTimer* m_timer;
    WriteNotices m_notices;
    QSocketNotifier* m_notifier = nullptr;
    TArrivalWatch m_arrival;
    int m_quietSeconds = 0;
    int m_periodMinutes = 10;
    std::vector<std::string> m_folders;
    std::set<std::string> m_said;
    std::string m_problem;
    bool m_fallback = false;
    // Every name a download still arriving will take (path texts).
    std::set<std::string, std::less<>> m_downloadTargets;
    bool m_reading = false;
};

} // namespace sv
