// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/duplicate_compare.h"

#include "engine/calc_md5.h"
#include "engine/worker.h"
#include "platform/pathtext.h"
#include "platform/same_content.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace sv {
namespace {

enum class Confirmed { Equal, Different, Cancelled };

// The byte-for-byte check of a digest match, on a worker like the digest itself: a gigabyte
// takes a while, and the window stays alive and cancellable meanwhile.
Confirmed ConfirmSameBytes(RunUi& ui, FileSystem& files, std::string_view sourcePath,
                           std::string_view matchPath, std::uint64_t size) {
    Worker worker(
        [&files, a = std::string(sourcePath), b = std::string(matchPath), size](TWorkerSignals& signals) {
            const ContentMatch match = CompareContents(files, a, b, [&signals, size](std::uint64_t done) {
                signals.progress.store(static_cast<int>(done * 100 / (size != 0 ? size : 1)));
                return !signals.terminate.load(std::memory_order_relaxed);
            });
            return std::string(match == ContentMatch::Equal ? "equal" : "different");
        });
    ui.SetStatus("振り分け先ファイル 内容照合中： " + ToNativePath(matchPath));
    if (!WaitWithEvents(ui, worker))
        return Confirmed::Cancelled;
    return worker.Result() == "equal" ? Confirmed::Equal : Confirmed::Different;
}

// Digests of a list of files, computed on a few threads that work through the list in order
// while the GUI thread waits for the one it needs next. The threads never wait for the GUI
// thread; they stop at their next block once told to, and are always joined.
class DigestsAhead final {
public:
    DigestsAhead(const DigestLibrary& library, FileSystem& files, std::vector<std::string> paths,
                 std::uint64_t bytes)
        : m_library(library), m_files(files), m_jobs(paths.size()) {
        for (std::size_t i = 0; i < paths.size(); ++i)
            m_jobs[i].path = std::move(paths[i]);
        // A few small files are hashed on the GUI thread as it waits for them: that takes less
        // than letting events through once, and a thread would cost more than the digest.
        m_inline = bytes <= kInlineBytes;
        if (m_inline || m_jobs.empty())
            return;
        const std::size_t wanted = std::min(DigestWorkers(), m_jobs.size());
        // Handles are made here, on the GUI thread, before any thread uses the library.
        const std::size_t workers = library.PrepareWorkers(wanted);
        if (workers == 0) {
            for (Job& job : m_jobs) {
                job.digest = std::string(kHashFailed);
                job.done = true;
            }
        }
        for (std::size_t w = 0; w < workers; ++w)
            m_threads.emplace_back([this, w] { Work(w); });
    }
    ~DigestsAhead() {
        m_terminate.store(true);
        for (std::thread& thread : m_threads)
            thread.join();
    }
    DigestsAhead(const DigestsAhead&) = delete;
    DigestsAhead& operator=(const DigestsAhead&) = delete;

    // The digest of file i ("err" when it failed), or nothing after a cancel. The status bar says
    // which file is waited for, the progress bar how far it is.
    std::optional<std::string> Wait(RunUi& ui, std::size_t i, HashedFile which) {
        // Short enough for Cancel and repainting to feel prompt, long enough to cost nothing.
        constexpr std::chrono::milliseconds kWait{5};
        Job& job = m_jobs[i];
        ui.SetStatus(HashStatusText(which, job.path));
        if (m_inline) {
            ui.LetEventsThrough();
            if (ui.CancelRequested())
                return std::nullopt;
            Compute(job, 0);
            return job.digest;
        }
        int shown = -1;
        for (;;) {
            ui.LetEventsThrough();
            if (ui.CancelRequested())
                return std::nullopt;
            std::unique_lock lock(m_mutex);
            const bool done = m_done.wait_for(lock, kWait, [&] { return job.done; });
            lock.unlock();
            const int progress = job.progress.load(std::memory_order_relaxed);
            if (progress >= 0 && progress != shown) {
                shown = progress;
                ui.SetProgress(progress);
            }
            if (done)
                return job.digest;
        }
    }
    // Whether the digest of file i can be kept for the file's stamp: it did not change while it was read.
    bool Steady(std::size_t i) const { return m_jobs[i].steady; }

private:
    struct Job final {
        std::string path;
        std::string digest;
        std::atomic<int> progress{-1};
        bool done = false;
        bool steady = false;
    };

    static constexpr std::uint64_t kInlineBytes = 256 << 10;

    void Compute(Job& job, std::size_t worker) {
        const auto before = m_files.ContentStampOf(job.path);
        std::string digest = ThreadCalcMD5(
            m_library, m_files, job.path, m_terminate, [&job](int percent) { job.progress.store(percent); },
            worker);
        const bool steady = before && before == m_files.ContentStampOf(job.path);
        const std::lock_guard lock(m_mutex);
        job.digest = std::move(digest);
        job.steady = steady && !m_terminate.load();
        job.done = true;
        m_done.notify_all();
    }

    void Work(std::size_t worker) {
        for (;;) {
            const std::size_t i = m_next.fetch_add(1);
            if (i >= m_jobs.size() || m_terminate.load())
                return;
            Compute(m_jobs[i], worker);
        }
    }

    const DigestLibrary& m_library;
    FileSystem& m_files;
    std::vector<Job> m_jobs;
    std::atomic<std::size_t> m_next{0};
    std::atomic<bool> m_terminate{false};
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::vector<std::thread> m_threads;
    bool m_inline = false;
};

} // namespace

std::size_t ContentStampHash::operator()(const ContentStamp& stamp) const {
    std::size_t h = std::hash<std::uint64_t>()(stamp.id.inode);
    h = h * 31 + std::hash<std::uint64_t>()(stamp.id.device);
    h = h * 31 + std::hash<std::uint64_t>()(stamp.size);
    return h * 31 + std::hash<std::int64_t>()(stamp.mtimeNs);
}

void THashCache::Clear() {
    m_paths.clear();
    ++m_turn;
    m_size = 0;
}

bool THashCache::Add(std::string digest, std::string pathText) {
    if (m_size >= m_capacity)
        return false;
    std::vector<std::string>& paths = m_paths[std::move(digest)];
    if (std::find(paths.begin(), paths.end(), pathText) != paths.end())
        return true;
    paths.push_back(std::move(pathText));
    ++m_size;
    return true;
}

const std::string* THashCache::DigestOf(const ContentStamp& stamp) const {
    const auto found = m_digests.find(stamp);
    return found == m_digests.end() ? nullptr : &found->second;
}

void THashCache::KeepDigest(const ContentStamp& stamp, std::string digest) {
    m_digests[stamp] = std::move(digest);
}

std::size_t DigestWorkers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(cores, 1, 4);
}

const std::vector<std::string>& THashCache::PathsOf(const std::string& digest) const {
    static const std::vector<std::string> kNone;
    const auto found = m_paths.find(digest);
    return found == m_paths.end() ? kNone : found->second;
}

TCompareOutcome CompareWithDestination(RunUi& ui, const DigestLibrary& library, FileSystem& files,
                                       THashCache& cache, std::string_view sourcePath,
                                       std::string_view destFolder) {
    const auto source = files.ContentStampOf(sourcePath);
    if (!source)
        return {CompareResult::Failed, {}};

    ui.SetStatus(kStatusCheckingDestination);
    const std::vector<TSameSizeFile> candidates =
        cache.Destinations().FilesOfSize(files, destFolder, source->size, source->id);
    if (candidates.empty())
        return {CompareResult::NotIdentical, {}};

    // Every file whose digest is not known yet, the source first, hashed ahead in this order. A
    // destination file's digest, once found, is kept beside it while its stamp stays.
    std::vector<std::string> paths;
    std::uint64_t bytes = 0;
    std::vector<std::size_t> job(candidates.size() + 1, 0);
    const auto plan = [&](std::size_t slot, std::string_view path) {
        paths.emplace_back(path);
        bytes += source->size;
        job[slot] = paths.size();
    };
    if (cache.DigestOf(*source) == nullptr)
        plan(0, sourcePath);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        TCandidateMemo& memo = *candidates[i].memo;
        if (memo.digest == nullptr)
            memo.digest = cache.DigestOf(candidates[i].stamp);
        if (memo.digest == nullptr)
            plan(i + 1, JoinPath(destFolder, candidates[i].name));
    }
    DigestsAhead ahead(library, files, paths, bytes);
    // The digest of slot 0 (the source) or 1.. (the candidates); nothing after a cancel.
    const auto digestOf = [&](std::size_t slot, const ContentStamp& stamp) -> std::optional<std::string> {
        if (job[slot] == 0)
            return slot == 0 ? *cache.DigestOf(stamp) : *candidates[slot - 1].memo->digest;
        auto digest = ahead.Wait(ui, job[slot] - 1, slot == 0 ? HashedFile::Source : HashedFile::Destination);
        if (digest && *digest != kHashFailed && ahead.Steady(job[slot] - 1))
            cache.KeepDigest(stamp, *digest);
        return digest;
    };

    const auto digest = digestOf(0, *source);
    if (!digest)
        return {CompareResult::Cancelled, {}};
    if (*digest == kHashFailed)
        return {CompareResult::Failed, {}};

    // A file with this content met earlier in the condition's turn, in any of its folders.
    for (const std::string& path : std::vector<std::string>(cache.PathsOf(*digest))) {
        if (path == sourcePath || files.IsSameItem(sourcePath, path))
            continue;
        switch (ConfirmSameBytes(ui, files, sourcePath, path, source->size)) {
        case Confirmed::Equal:
            return {CompareResult::Identical, path};
        case Confirmed::Cancelled:
            return {CompareResult::Cancelled, {}};
        case Confirmed::Different:
            break;
        }
    }

    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const auto other = digestOf(i + 1, candidates[i].stamp);
        if (!other)
            return {CompareResult::Cancelled, {}};
        const bool same = *other == *digest;
        // Met again in this turn: noted already, and its path made only when it matters.
        TCandidateMemo& memo = *candidates[i].memo;
        const bool noted = memo.notedInTurn == cache.Turn();
        memo.notedInTurn = cache.Turn();
        if (!same && noted)
            continue;
        const std::string path = JoinPath(destFolder, candidates[i].name);
        (void)cache.Add(*other, path);
        if (!same)
            continue;
        switch (ConfirmSameBytes(ui, files, sourcePath, path, source->size)) {
        case Confirmed::Equal:
            return {CompareResult::Identical, path};
        case Confirmed::Cancelled:
            return {CompareResult::Cancelled, {}};
        case Confirmed::Different:
            break;
        }
    }
    return {CompareResult::NotIdentical, {}};
}

} // namespace sv
