// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace sv {

inline constexpr std::string_view kRunJournalFileName = "History.dat.journal";

// The records of the run under way, on disk as they are made: a run that ends abnormally (killed,
// power lost, the display gone) leaves them for the next start, which puts them in front of
// History.dat, and can take that run back. Run blocks (run_items.h); flushed every few blocks and
// at the end; removed once the run's records reached History.dat.
class TRunJournal final {
public:
    TRunJournal() = default;
    ~TRunJournal();
    TRunJournal(const TRunJournal&) = delete;
    TRunJournal& operator=(const TRunJournal&) = delete;

    // Starts the journal of a run in `folder` (after the records of a dead run, if any are left).
    Status Open(std::string_view folder);
    bool IsOpen() const { return m_fd >= 0; }
    // One block, written whole.
    void Append(std::string_view block);
    // Everything appended so far is on disk.
    void Flush();
    // The run's records are in History.dat: the journal goes.
    void Discard();

private:
    int m_fd = -1;
    std::string m_path;
    int m_unflushed = 0;
};

// Puts the complete records a dead run journaled in `folder` in front of History.dat (a trailing
// partial block is dropped), makes that run the one that can be taken back, and removes the
// journal. `recovered` receives how many records went.
// A History.dat that cannot be read is not replaced; the journal then stays for the next start.
Status RecoverRunJournal(std::string_view folder, int& recovered);

} // namespace sv
