// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Sorting on arrival: when the entries of watched source folders are ready for a run, and which
// entries a run leaves alone. Kept apart from the kernel's notices and the event loop so that the
// rules can be tested with a clock the test sets.
namespace sv {

// A name a browser gives a download that is still arriving: Firefox ".part", Chromium
// ".crdownload", Safari-like browsers ".download" (compared without regard to case).
bool IsDownloadInProgressName(std::string_view name);

// The name the download will have once complete (the name without its download suffix); empty
// for a name that is not a download in progress. A browser may keep an empty file of that name
// beside the download until it renames the download over it.
std::string_view DownloadTargetName(std::string_view name);

// What the tray says once of folders (native paths) that could not be watched: the first one and
// how many more, and that periodic runs every `minutes` stand in for them.
std::string UnwatchableText(const std::vector<std::string>& nativePaths, int minutes);

enum class WatchStep {
    Nothing,   // nothing waits for a run
    WaitAgain, // entries wait, none of them ready: look again later
    Run,       // at least one entry is ready: one run of all conditions
};

// The state of every entry of the watched folders that the notices named since watching began.
// An entry that arrived or changed waits until the folders have been quiet for the wait; then,
// unless it is still held (open for writing, a download still arriving), a run of all conditions
// takes it. An entry that is held, or that the run passed over as in use, keeps the watch
// pending: it is looked at again after each further wait, and again when a notice names it,
// until it is sorted or gone. What was there when watching began is not new.
class TArrivalWatch final {
public:
    // Whether an entry (a path text) must wait now; asked when the wait has run out.
    using Held = std::function<bool(const std::string& path, bool folder)>;

    void SetWaitSeconds(int seconds);
    std::int64_t WaitMs() const { return m_waitMs; }

    // Watching begins: nothing is known, nothing waits.
    void Start();
    void Stop();
    bool Active() const { return m_active; }

    // A notice named the entry: it arrived or changed. `open`: the notices show it open for
    // writing now; the changes of such a file do not hold the other entries back, since it
    // waits for its close anyway.
    void Changed(const std::string& path, bool folder, bool open, std::int64_t now);
    // The entry was deleted or renamed away; for a folder, everything below it too.
    void Gone(const std::string& path, bool folder);
    // Notices were lost: every entry of the folders may have changed.
    void Lost(std::int64_t now);

    // Something waits for a run.
    bool Pending() const;
    std::optional<std::int64_t> Remaining(std::int64_t now) const;
    bool Due(std::int64_t now) const;
    // The wait ran out (nothing happens before it is due).
    WatchStep Expired(std::int64_t now, const Held& held);

    // A run begins (on arrival, periodic or by hand): the entries that are quiet and not held
    // are taken by it; the others it leaves alone.
    void RunStarting(std::int64_t now, const Held& held);
    // Whether the run must leave this entry alone: it arrived or changed and was not taken.
    bool HeldFromRun(std::string_view path) const;
    // The run passed the entry over as in use: it is looked at again at `recheckAt`, or at
    // its next notice.
    void PassedOver(const std::string& path, std::int64_t recheckAt);
    // How often the entry has been passed over without a notice in between.
    int Passes(std::string_view path) const;
    // The run ended: what it took is no longer new; what arrived meanwhile waits on.
    void RunEnded();

    std::size_t EntryCount() const { return m_entries.size(); }

private:
    enum class State { Waiting, TakenByRun, PassedOver };
    struct Entry final {
        State state = State::Waiting;
        bool folder = false;
        std::int64_t lastChange = 0;
        std::int64_t recheckAt = 0;
        int passes = 0;
    };
    bool Ready(const std::string& path, const Entry& entry, std::int64_t now, const Held& held) const;
    std::optional<std::int64_t> NextLook() const;

    std::int64_t m_waitMs = 10000;
    bool m_active = false;
    bool m_lost = false;
    std::map<std::string, Entry, std::less<>> m_entries;
    // The last change of an entry that does not wait for its own close: the folders are quiet
    // once the wait has passed since.
    std::int64_t m_lastCounted = 0;
    // No look before this (set when a look found only entries that must wait).
    std::int64_t m_notBefore = 0;
};

} // namespace sv
