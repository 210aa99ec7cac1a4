// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/worker.h"

namespace sv {

Worker::Worker(Job job) {
    m_thread = std::thread([this, job = std::move(job)] {
        std::string result = job(m_signals);
        const std::lock_guard lock(m_mutex);
        m_result = std::move(result);
        m_finished = true;
        m_done.notify_all();
    });
}

Worker::~Worker() {
    Terminate();
    Join();
}

bool Worker::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_done.wait_for(lock, timeout, [this] { return m_finished; });
}

void Worker::Terminate() {
    m_signals.terminate.store(true, std::memory_order_relaxed);
}

void Worker::Join() {
    if (m_thread.joinable())
        m_thread.join();
}

bool WaitWithEvents(RunUi& ui, Worker& worker) {
    // Short enough for Cancel and repainting to feel prompt, long enough to cost nothing.
    constexpr std::chrono::milliseconds kWait{5};
    int shown = -1;
    auto showProgress = [&] {
        const int progress = worker.Progress();
        if (progress >= 0 && progress != shown) {
            shown = progress;
            ui.SetProgress(progress);
        }
    };
    for (;;) {
        ui.LetEventsThrough();
        if (ui.CancelRequested()) {
            worker.Terminate();
            worker.Join();
            return false;
        }
        const bool finished = worker.WaitFor(kWait);
        showProgress();
        if (finished) {
            worker.Join();
            return true;
        }
    }
}

} // namespace sv
