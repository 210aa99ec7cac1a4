// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_ui.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace sv {

// What a worker's job is handed: the terminate request it reads between blocks, and where it
// leaves its progress (percent) for the GUI thread to pick up.
struct TWorkerSignals final {
    std::atomic<bool> terminate{false};
    std::atomic<int> progress{-1};
};

// One job on a thread of its own. The thread is always joined, never left behind: after a
// terminate request it ends at its next block, and only then may the digest library be used
// again or released.
class Worker final {
public:
    using Job = std::function<std::string(TWorkerSignals& signals)>;

    explicit Worker(Job job);
    ~Worker(); // asks the job to end and waits for it
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // True once the job has ended; waits at most `timeout` for that.
    bool WaitFor(std::chrono::milliseconds timeout);
    void Terminate();
    void Join();
    int Progress() const { return m_signals.progress.load(std::memory_order_relaxed); }
    // The job's result, once WaitFor said it ended.
    const std::string& Result() const { return m_result; }

private:
    TWorkerSignals m_signals;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::string m_result;
    std::thread m_thread;
};

// Waits on the GUI thread until the worker ends: events go through, its progress reaches the
// progress bar and Cancel is watched. Between event rounds the thread sleeps on the worker for a
// few milliseconds instead of spinning, so that the worker keeps a core of its own. False after a
// cancel request (the worker is told to end and has ended).
bool WaitWithEvents(RunUi& ui, Worker& worker);

} // namespace sv
