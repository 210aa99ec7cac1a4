// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Sorting on arrival: when watched source folders have been quiet long enough for a run. Kept
// apart from the window and its file-system watcher so that the rules can be tested with a clock
// the test sets.
namespace sv {

// A name a browser gives a download that is still arriving: Firefox ".part", Chromium
// ".crdownload", Safari-like browsers ".download" (compared without regard to case).
bool IsDownloadInProgressName(std::string_view name);

// What the watched folders hold, as the watch compares it: every entry's name, kind, size and
// last change. A missing folder counts as empty.
std::string FolderSignature(const std::vector<std::string>& folders);

// A download is still arriving in one of the folders.
bool DownloadInProgress(const std::vector<std::string>& folders);

// A file in one of the folders is open for writing as far as the run's own in-use test can tell.
// Where it cannot tell (a file of another user, when not every process can be looked at), a file
// that changed within the last `quietSeconds` counts as being written; 0 takes such a file as free.
bool WriteInProgress(const std::vector<std::string>& folders, int quietSeconds);

// What the tray says once of folders (native paths) that could not be watched: the first one and
// how many more, and that periodic runs every `minutes` stand in for them.
std::string UnwatchableText(const std::vector<std::string>& nativePaths, int minutes);

enum class WatchStep {
    Nothing,   // nothing new since watching began or the last run: no run
    WaitAgain, // still changing, in use or downloading: the countdown starts again
    Run,       // quiet for the whole wait with something new: one run of all conditions
};

// The countdown of one watch, on a monotonic clock in milliseconds. Every change restarts it; when
// it runs out the folders must look as they did at the last change (so a file that grows without a
// notice restarts it too), hold something new and nothing still being written.
class TWatchDebounce final {
public:
    void SetWaitSeconds(int seconds);
    std::int64_t WaitMs() const { return m_waitMs; }
    // Watching begins, or a run ended: what the folders hold now is not new.
    void Start(std::string baseline);
    void Stop();
    bool Active() const { return m_active; }
    // A change was noticed; `signature` is what the folders hold now.
    void Changed(std::int64_t now, std::string signature);
    // Whether a change noticed now needs the folders looked at for Changed. Reading a large
    // folder takes milliseconds (20 ms for 10 000 entries), so during a burst of notices (many
    // files copied in) it is read at most once a second and the others only restart the countdown.
    bool NeedsSignature(std::int64_t now) const;
    // A change was noticed without looking: the countdown restarts. If the folders then differ
    // from the last look when it runs out, it waits once more.
    void Touched(std::int64_t now);
    // A file was closed after writing: it counts as new even when the folders look as they did
    // when watching began (a file a run passed over while it was being written). Call it after
    // Changed or Touched, which restart the countdown.
    void MarkFinished();
    bool Pending() const { return m_due.has_value(); }
    bool Due(std::int64_t now) const { return m_due && now >= *m_due; }
    std::optional<std::int64_t> Remaining(std::int64_t now) const;
    // The countdown ran out (nothing before it is due). `busy` is asked only when the folders are
    // quiet and hold something new: whether a file is being written or downloaded there.
    WatchStep Expired(std::int64_t now, const std::string& signature, const std::function<bool()>& busy);

private:
    std::int64_t m_waitMs = 10000;
    bool m_active = false;
    std::string m_baseline;
    std::string m_last;
    std::optional<std::int64_t> m_due;
    std::optional<std::int64_t> m_lookedAt;
    bool m_finished = false;
};

} // namespace sv
