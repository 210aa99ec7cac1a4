// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"
#include "platform/result.h"
#include "store/kept_aside.h"
#include "store/run_items.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace sv {

struct TAppSettings;
struct TPendingHistory;

inline constexpr std::string_view kRunJournalFileName = "History.dat.journal";

// The records of the run under way, on disk as they are made: a run that ends abnormally (killed,
// power lost, the display gone) leaves them for the next start, which puts them in front of
// History.dat, and can take that run back. Run blocks (run_items.h): a run starts with "S"; before
// each transfer or deletion it would record comes an intent, and after it the record, or "N" when
// it did not happen. Records are flushed to disk every few blocks and at the end; the journal goes
// once the run's records reached History.dat.
class TRunJournal final {
public:
    TRunJournal() = default;
    ~TRunJournal();
    TRunJournal(const TRunJournal&) = delete;
    TRunJournal& operator=(const TRunJournal&) = delete;

    // Starts the journal of a run in `folder` (after the records of a dead run, if any are left).
    Status Open(std::string_view folder);
    bool IsOpen() const { return m_fd >= 0; }
    // One block, written whole by one write(2): from then on a killed process cannot lose it.
    // Record blocks count towards the next flush.
    void Append(std::string_view block, bool record = true);
    // Everything appended so far is on disk.
    void Flush();
    // Everything appended so far goes to the disk on a thread of the journal's own, while the
    // caller goes on; WaitFlushed waits until it is there. A killed process loses nothing by it
    // (each block reached the kernel when it was appended); only a power loss is what the flush
    // is for, and what must wait for the disk waits in WaitFlushed.
    void FlushSoon();
    void WaitFlushed();
    // The run's records are in History.dat: the journal goes, or, when it held the records of an
    // earlier dead run that are still to be recovered, goes back to them.
    void Discard();

private:
    void StopFlusher();

    int m_fd = -1;
    std::string m_path;
    std::thread m_flusher;
    std::mutex m_mutex;
    std::condition_variable m_flushed;
    std::uint64_t m_asked = 0; // flushes asked for
    std::uint64_t m_done = 0;  // of them, done
    bool m_stop = false;
    int m_unflushed = 0;
    bool m_dirty = false;
    off_t m_keep = 0; // the bytes of a dead run found in front
    off_t m_size = 0; // the bytes of whole blocks
};

// Whether RecordHistory would record an item now (history limit, HistoryOff).
bool WouldRecordHistory(const TPendingHistory& pending, bool historyOff, const TAppSettings& settings);

// Journals what is about to happen to an entry, when the run keeps a journal and would record the
// entry; returns whether it did. The record that follows completes it; JournalNotDone says that
// it did not happen. With `durable` the intent is on its way to the disk when this returns, and
// is there once JournalWaitDurable returns.
bool JournalIntent(TPendingHistory& pending, TRunIntent intent, bool historyOff, const TAppSettings& settings,
                   bool durable);
void JournalWaitDurable(TPendingHistory& pending);
void JournalNotDone(TPendingHistory& pending);

// What a start did with the journal a dead run left.
struct TJournalRecovery final {
    int recovered = 0; // records put in front of History.dat
    int found = 0;     // of them, items of an unfinished transfer, recorded where they were found
    int stayed = 0;    // unfinished transfers whose item is still in its source folder only
    int missing = 0;   // unfinished transfers whose item was found nowhere
    // The journal, copied aside when part of it could not be read (that part was not used).
    TKeptAside keptAside;
};

// Puts the records a dead run journaled in `folder` in front of History.dat, makes that run the
// one that can be taken back, and removes the journal. An unfinished transfer is recorded where its
// item is now (at its destination, or in both places as a copy), or counted as stayed. A trailing
// block cut short is dropped; from a block that does not read as one the program writes, nothing
// more is used and the journal is copied aside.
// Consumed exactly once, wherever a process dies: records that already stand at the top of
// History.dat (the run's save, or an earlier recovery, replaced it before it was killed) are not
// added again, and recovering twice gives the same History.dat.
// A History.dat that cannot be read is not replaced; the journal then stays for the next start.
Status RecoverRunJournal(std::string_view folder, TJournalRecovery& result);

// What the user is told after the recovery (title "Sorvanta"); nothing when there is nothing to say.
std::optional<MessageBoxRequest> JournalRecoveryNotice(const Status& status, const TJournalRecovery& result);

} // namespace sv
