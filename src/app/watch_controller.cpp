// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/watch_controller.h"

#include "platform/dir_reader.h"
#include "platform/in_use.h"
#include "platform/pathtext.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <sys/stat.h>

namespace sv {
namespace {

constexpr std::int64_t kLongestTimerMs = 24LL * 60 * 60 * 1000;
constexpr std::int64_t kLongestRecheckMs = 10LL * 60 * 1000;

} // namespace

WatchController::WatchController(WatchHost host, QTimer* timer, QObject* parent)
    : QObject(parent), m_host(std::move(host)), m_timer(timer) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { TimerFired(); });
    if (m_notices.Descriptor() >= 0) {
        m_notifier = new QSocketNotifier(m_notices.Descriptor(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { NoticesArrived(); });
    }
}

WatchController::~WatchController() = default;

std::int64_t WatchController::Now() const {
    if (m_host.clock)
        return m_host.clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void WatchController::Configure(int waitSeconds, int quietSeconds, int periodMinutes) {
    m_arrival.SetWaitSeconds(waitSeconds);
    // After lost notices an entry is uncertain for as long as the watch waits for quiet.
    m_notices.SetQuietMs(m_arrival.WaitMs());
    m_quietSeconds = std::max(quietSeconds, 0);
    m_periodMinutes = periodMinutes;
}

void WatchController::Start(bool catchUp) {
    m_said.clear();
    m_problem.clear();
    m_arrival.Start();
    TakeFolders();
    LookAtFolders(catchUp);
    ArmTimer();
}

void WatchController::Refresh() {
    if (!Active())
        return;
    NoticesArrived();
    TakeFolders();
    LookAtFolders(false);
    ArmTimer();
}

void WatchController::Stop() {
    m_arrival.Stop();
    m_timer->stop();
    m_notices.Clear();
    m_folders.clear();
    m_said.clear();
    m_problem.clear();
    m_fallback = false;
    m_downloadTargets.clear();
}

// What the notices know of a folder that stays watched is kept: a file still being written stays
// so across a run.
void WatchController::TakeFolders() {
    m_folders = m_host.folders ? m_host.folders() : std::vector<std::string>();
    const std::vector<std::string> failed = m_notices.WatchOnly(m_folders);
    m_fallback = !failed.empty();
    std::vector<std::string> unsaid;
    for (const std::string& folder : failed) {
        if (m_said.insert(folder).second)
            unsaid.push_back(ToNativePath(folder));
    }
    if (unsaid.empty())
        return;
    m_problem = UnwatchableText(unsaid, m_periodMinutes);
    if (m_host.tell)
        m_host.tell(m_problem);
}

// The downloads that were there before the notices could tell of them.
void WatchController::LookAtFolders(bool arrived) {
    m_downloadTargets.clear();
    const std::int64_t now = Now();
    for (const std::string& folder : m_notices.Folders()) {
        (void)ForEachEntry(folder, [&](const DirEntry& entry) {
            if (entry.backslashName)
                return true;
            if (!entry.isFolder && IsDownloadInProgressName(entry.name))
                m_downloadTargets.insert(JoinPath(folder, DownloadTargetName(entry.name)));
            if (arrived)
                m_arrival.Changed(JoinPath(folder, entry.name), entry.isFolder, false, now);
            return true;
        });
    }
}

void WatchController::NoteDownload(const std::string& path, bool gone) {
    const std::string_view target = DownloadTargetName(LastComponent(path));
    if (target.empty())
        return;
    const std::string targetPath = FolderOf(path) + std::string(target);
    if (gone)
        m_downloadTargets.erase(targetPath);
    else
        m_downloadTargets.insert(targetPath);
}

bool WatchController::DownloadHeld(std::string_view path) const {
    return IsDownloadInProgressName(LastComponent(path)) ||
           m_downloadTargets.find(path) != m_downloadTargets.end();
}

void WatchController::NoticesArrived() {
    if (m_reading)
        return;
    m_reading = true;
    const std::int64_t now = Now();
    std::vector<WriteNotices::Change> changes;
    const WriteNotices::Drained drained = m_notices.Drain(now, &changes);
    bool folderArrived = false;
    if (m_arrival.Active()) {
        for (const WriteNotices::Change& change : changes) {
            if (!change.folder)
                NoteDownload(change.path, change.gone);
            if (change.gone) {
                m_arrival.Gone(change.path, change.folder);
            } else {
                m_arrival.Changed(change.path, change.folder, change.open, now);
                folderArrived = folderArrived || change.folder;
            }
        }
        if (drained.lost)
            m_arrival.Lost(now);
        // A folder that arrived may be one to watch (a subfolder searched by a condition), one that
        // went is said and periodic runs stand in.
        if (folderArrived || drained.folderGone || drained.lost)
            TakeFolders();
        // Asked before every entry of a run: nothing new, nothing to set.
        if (drained.any)
            ArmTimer();
    }
    m_reading = false;
}

bool WatchController::HeldNow(const std::string& path, bool folder) {
    const std::int64_t now = Now();
    if (!folder)
        return m_notices.IsOpenForWriting(path, now) || DownloadHeld(path);
    // A folder that arrived whole: a file inside it still being written, as the notices show where
    // its folders are watched, or as the processes that can be looked at show.
    return m_notices.AnyOpenBelow(path, now) || IsOpenForWritingByAnyProcess(path);
}

void WatchController::TimerFired() {
    if (!Active())
        return;
    NoticesArrived();
    const std::int64_t now = Now();
    if (!m_arrival.Due(now)) {
        ArmTimer();
        return;
    }
    // A run under way: it ends with RunEnded, which sets the countdown again.
    if (m_host.mayRun && !m_host.mayRun())
        return;
    const WatchStep step = m_arrival.Expired(
        now, [this](const std::string& path, bool folder) { return HeldNow(path, folder); });
    if (step == WatchStep::Run && m_host.run)
        m_host.run();
    else
        ArmTimer();
}

void WatchController::RunStarting() {
    if (!Active())
        return;
    NoticesArrived();
    m_arrival.RunStarting(Now(),
                          [this](const std::string& path, bool folder) { return HeldNow(path, folder); });
}

void WatchController::RunEnded() {
    if (!Active())
        return;
    // The run's own moves are read first: they took entries away, they bring nothing new.
    NoticesArrived();
    m_arrival.RunEnded();
    TakeFolders();
    LookAtFolders(false);
    ArmTimer();
}

bool WatchController::Holds(std::string_view pathText) {
    if (!Active())
        return false;
    // A writer may have begun since the event loop last turned.
    NoticesArrived();
    const std::string path = m_notices.WatchedSpelling(pathText);
    return m_arrival.HeldFromRun(path) || m_notices.IsOpenForWriting(path, Now()) || DownloadHeld(path);
}

// Passed over by the in-use test: where the quiet time decided it, the entry is free once that has
// passed since its last change; where the kernel could tell, its writer's close will be a notice,
// and the entry is looked at again now and then all the same, less often each time.
void WatchController::PassedOver(std::string_view pathText) {
    if (!Active())
        return;
    const std::string path = m_notices.WatchedSpelling(pathText);
    std::int64_t after = 0;
    struct stat st {};
    if (m_quietSeconds > 0 && ::stat(ToNativePath(path).c_str(), &st) == 0) {
        const std::int64_t latest = std::max<std::int64_t>(st.st_mtim.tv_sec, st.st_ctim.tv_sec);
        const std::int64_t left = latest + m_quietSeconds - static_cast<std::int64_t>(std::time(nullptr));
        if (left >= 0)
            after = (left + 1) * 1000;
    }
    if (after == 0) {
        const int passes = std::min(m_arrival.Passes(path), 10);
        after = std::min(m_arrival.WaitMs() << passes, kLongestRecheckMs);
    }
    after = std::max(after, m_arrival.WaitMs());
    m_arrival.PassedOver(path, Now() + after);
    ArmTimer();
}

void WatchController::ArmTimer() {
    const std::optional<std::int64_t> remaining = m_arrival.Remaining(Now());
    if (remaining)
        m_timer->start(static_cast<int>(std::min(*remaining, kLongestTimerMs)));
    else
        m_timer->stop();
}

} // namespace sv
