// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/run_journal.h"

#include "platform/cp932.h"
#include "platform/file_messages.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "store/history_file.h"
#include "store/last_run.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {
namespace {

constexpr int kRecordsPerFlush = 8;

} // namespace

TRunJournal::~TRunJournal() {
    StopFlusher();
    if (m_fd >= 0) {
        ::fsync(m_fd);
        ::close(m_fd);
    }
}

Status TRunJournal::Open(std::string_view folder) {
    if (m_fd >= 0)
        Discard();
    const std::string pathText = JoinPath(folder, kRunJournalFileName);
    m_path = ToNativePath(pathText);
    // Appended to, never truncated: the records of a run nobody recovered yet stay in front.
    m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return FailureStatus(FileError::System(FileOp::Open, m_path, errno));
    struct stat st {};
    m_keep = ::fstat(m_fd, &st) == 0 ? st.st_size : 0;
    if (m_keep > 0) {
        // A block the dead run never finished writing would swallow the first lines of this run.
        const FileRead read = ReadWholeFile(pathText);
        const TRunBlocks blocks = ParseRunBlocks(read.bytes);
        if (read.state == ReadState::Ok && !blocks.whole && blocks.damage.empty() &&
            ::ftruncate(m_fd, static_cast<off_t>(blocks.wholeBytes)) == 0)
            m_keep = static_cast<off_t>(blocks.wholeBytes);
    }
    m_size = m_keep;
    m_unflushed = 0;
    Append(kRunStartBlock, false);
    // Alone it is not worth a flush: most periodic runs record nothing and remove the journal.
    m_dirty = false;
    return {};
}

void TRunJournal::Append(std::string_view block, bool record) {
    if (m_fd < 0)
        return;
    // One write per block: a block is either whole in the journal or not at all, short of a
    // power loss in the middle of it, which the recovery drops as a block cut short.
    const char* data = block.data();
    std::size_t left = block.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // Half a block would make every later one unreadable (a full disk, say).
            [[maybe_unused]] const int cut = ::ftruncate(m_fd, m_size);
            return;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    m_size += static_cast<off_t>(block.size());
    m_dirty = true;
    // The records in between go to the disk without the run waiting for it.
    if (record && ++m_unflushed >= kRecordsPerFlush)
        FlushSoon();
}

void TRunJournal::Flush() {
    if (m_fd >= 0 && m_dirty) {
        ::fdatasync(m_fd);
        m_unflushed = 0;
        m_dirty = false;
    }
}

void TRunJournal::FlushSoon() {
    if (m_fd < 0 || !m_dirty)
        return;
    m_unflushed = 0;
    m_dirty = false;
    const std::lock_guard lock(m_mutex);
    ++m_asked;
    if (!m_flusher.joinable()) {
        m_stop = false;
        m_flusher = std::thread([this, fd = m_fd] {
            std::unique_lock guard(m_mutex);
            for (;;) {
                m_flushed.wait(guard, [this] { return m_stop || m_done < m_asked; });
                if (m_done == m_asked)
                    return;
                const std::uint64_t asked = m_asked;
                guard.unlock();
                ::fdatasync(fd);
                guard.lock();
                m_done = asked;
                m_flushed.notify_all();
            }
        });
    }
    m_flushed.notify_all();
}

void TRunJournal::WaitFlushed() {
    std::unique_lock lock(m_mutex);
    m_flushed.wait(lock, [this] { return m_done >= m_asked; });
}

void TRunJournal::StopFlusher() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_flushed.notify_all();
    }
    // Whatever was asked for is done before the thread ends.
    if (m_flusher.joinable())
        m_flusher.join();
}

void TRunJournal::Discard() {
    StopFlusher();
    if (m_fd >= 0) {
        if (m_keep > 0) [[maybe_unused]]
            const int cut = ::ftruncate(m_fd, m_keep);
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_path.empty() && m_keep == 0)
        ::unlink(m_path.c_str());
    m_unflushed = 0;
    m_dirty = false;
}

bool WouldRecordHistory(const TPendingHistory& pending, bool historyOff, const TAppSettings& settings) {
    if (settings.HistDel && pending.recorded >= HistoryLimit(settings))
        return false;
    return !historyOff;
}

bool JournalIntent(TPendingHistory& pending, TRunIntent intent, bool historyOff, const TAppSettings& settings,
                   bool durable) {
    if (pending.journal == nullptr || !WouldRecordHistory(pending, historyOff, settings))
        return false;
    JournalNotDone(pending);
    intent.time = FormatEntryTime(Now());
    pending.journal->Append(IntentBlock(intent), false);
    // The disk works on it while the transfer copies; the transfer waits for it before its copy
    // takes the target's name and before the source goes (JournalWaitDurable).
    if (durable)
        pending.journal->FlushSoon();
    pending.intentOpen = true;
    return true;
}

void JournalWaitDurable(TPendingHistory& pending) {
    if (pending.journal != nullptr)
        pending.journal->WaitFlushed();
}

void JournalNotDone(TPendingHistory& pending) {
    if (pending.journal != nullptr && pending.intentOpen)
        pending.journal->Append(kNotDoneBlock, false);
    pending.intentOpen = false;
}

namespace {

// One record as the recovery puts it in front of History.dat and into the last-run file.
struct TRecovered final {
    TRunItem item;
    std::array<std::string, 4> record; // code page 932
    bool fromIntent = false;
};

enum class Whereabouts { Recorded, Stayed, Missing };

// Where the item of an unfinished transfer is now, and its record when it left the source.
Whereabouts Resolve(const TRunIntent& intent, TRecovered& out) {
    const std::string source = JoinPath(intent.sourceFolder, intent.sourceName);
    const std::optional<ItemStamp> atSource = ItemStampOf(source);
    auto record = [&](TRunItemKind kind, std::string_view name, int mark, std::optional<ItemStamp> stamp) {
        out.item = TRunItem(kind, intent.sourceName);
        out.item.stamp = std::move(stamp);
        const std::array<std::string, 4> lines =
            RunRecordLines(intent.time, intent.destFolder, name, intent.sourceFolder, mark);
        for (std::size_t i = 0; i < lines.size(); ++i)
            out.record[i] = Utf8ToCp932Lossy(lines[i]);
        out.fromIntent = true;
        return Whereabouts::Recorded;
    };
    if (intent.action == TIntentAction::Delete)
        return atSource ? Whereabouts::Stayed
                        : record(TRunItemKind::Deleted, intent.destName, intent.mark, {});

    // The item at the destination: not what stood there before a replacing move.
    auto arrived = [&](std::string_view name) {
        std::optional<ItemStamp> stamp = ItemStampOf(JoinPath(intent.destFolder, name));
        if (stamp && intent.replaced && *stamp == *intent.replaced)
            stamp.reset();
        return stamp;
    };
    std::string name = intent.destName;
    int mark = intent.mark;
    std::optional<ItemStamp> there = arrived(name);
    if (!there && intent.extName != intent.destName && !intent.extTaken) {
        name = intent.extName;
        mark = intent.extMark;
        there = arrived(name);
    }
    if (!there)
        return atSource ? Whereabouts::Stayed : Whereabouts::Missing;
    if (intent.action == TIntentAction::Copy)
        return record(TRunItemKind::Copied, name, mark, there);
    if (!atSource)
        return record(TRunItemKind::Moved, name, mark, there);
    // In both places. A rename cannot leave that: what is at the destination is something else.
    // A move across file systems killed after its copy was in place leaves a whole copy, with the
    // source's size and time.
    const bool copied = intent.action == TIntentAction::Move && there->folder == atSource->folder &&
                        there->size == atSource->size && there->mtimeNs == atSource->mtimeNs;
    return copied ? record(TRunItemKind::Copied, name, mark, there) : Whereabouts::Stayed;
}

// The journal's records run by run, unfinished transfers resolved where they stand.
std::vector<std::vector<TRecovered>> RecoveredRuns(const TRunBlocks& blocks, TJournalRecovery& result) {
    std::vector<std::vector<TRecovered>> runs(blocks.runStarts.size());
    std::size_t nextIntent = 0;
    auto intentsUpTo = [&](std::size_t run, std::size_t recordIndex) {
        for (; nextIntent < blocks.openIntents.size(); ++nextIntent) {
            const TOpenIntent& open = blocks.openIntents[nextIntent];
            if (open.run != run || open.recordsBefore > recordIndex)
                break;
            TRecovered recovered;
            switch (Resolve(open.intent, recovered)) {
            case Whereabouts::Recorded:
                runs[run].push_back(std::move(recovered));
                break;
            case Whereabouts::Stayed:
                ++result.stayed;
                break;
            case Whereabouts::Missing:
                ++result.missing;
                break;
            }
        }
    };
    for (std::size_t run = 0; run < runs.size(); ++run) {
        const std::size_t end = run + 1 < runs.size() ? blocks.runStarts[run + 1] : blocks.records.size();
        for (std::size_t r = blocks.runStarts[run]; r < end; ++r) {
            intentsUpTo(run, r);
            runs[run].push_back({blocks.items[r], blocks.records[r], false});
        }
        intentsUpTo(run, end);
    }
    return runs;
}

// How many runs from the front are not yet in History.dat: the save of a run, and the recovery,
// put records at the top in journal order, so the runs already there are the last ones, exactly.
std::size_t RunsMissing(const std::vector<std::vector<TRecovered>>& runs,
                        const std::vector<std::string_view>& history) {
    for (std::size_t first = 0; first < runs.size(); ++first) {
        std::size_t line = 0;
        bool same = true;
        for (std::size_t run = first; run < runs.size() && same; ++run) {
            for (const TRecovered& recovered : runs[run]) {
                for (const std::string& text : recovered.record) {
                    same = line < history.size() && history[line] == text;
                    ++line;
                    if (!same)
                        break;
                }
                if (!same)
                    break;
            }
        }
        if (same)
            return first;
    }
    return runs.size();
}

} // namespace

Status RecoverRunJournal(std::string_view folder, TJournalRecovery& result) {
    result = {};
    const std::string journal = JoinPath(folder, kRunJournalFileName);
    const FileRead read = ReadWholeFile(journal);
    if (read.state == ReadState::Missing)
        return {};
    if (read.state == ReadState::Failed)
        return Status::Fail(FileErrorText(read.error));
    const TRunBlocks blocks = ParseRunBlocks(read.bytes);
    TJournalRecovery counts;
    const std::vector<std::vector<TRecovered>> runs = RecoveredRuns(blocks, counts);
    std::size_t total = 0;
    for (const auto& run : runs)
        total += run.size();
    if (total > 0) {
        const std::string path = JoinPath(folder, kHistoryFileName);
        const FileRead existing = ReadWholeFile(path);
        if (existing.state == ReadState::Failed)
            return Status::Fail(FileErrorText(existing.error));
        const std::vector<std::string_view> lines = NonEmptyLines(existing.bytes);
        const std::size_t missing = RunsMissing(runs, lines);
        if (missing > 0) {
            // Both parts keep their bytes: nothing is decoded and encoded again.
            std::string bytes;
            for (std::size_t run = 0; run < missing; ++run) {
                for (const TRecovered& recovered : runs[run]) {
                    for (const std::string& line : recovered.record) {
                        bytes += line;
                        bytes += "\r\n";
                    }
                    ++counts.recovered;
                    if (recovered.fromIntent)
                        ++counts.found;
                }
            }
            for (const std::string_view line : lines) {
                bytes += line;
                bytes += "\r\n";
            }
            if (FileStatus written = WriteFileAtomic(path, bytes); !written)
                return FailureStatus(written);
        }
        // Without it the dead run could only be moved back item by item.
        std::string lastRun;
        for (const auto& run : runs) {
            for (const TRecovered& recovered : run)
                lastRun += RunRecordBlockBytes(recovered.item, recovered.record);
        }
        for (const TCreatedFolder& created : blocks.folders)
            lastRun += CreatedFolderBlock(created);
        (void)WriteLastRunBlocks(folder, lastRun);
    }
    result = counts;
    if (!blocks.damage.empty()) {
        result.keptAside = KeepAsideFor(journal, kRunJournalFileName, blocks.damage);
        // Without a copy the journal itself is the only trace of what could not be read.
        if (result.keptAside.copyPathText.empty())
            return {};
    }
    ::unlink(ToNativePath(journal).c_str());
    return {};
}

std::optional<MessageBoxRequest> JournalRecoveryNotice(const Status& status, const TJournalRecovery& result) {
    MessageBoxRequest request;
    request.title = "Sorvanta";
    request.icon = MbIcon::Information;
    if (!status.ok()) {
        request.icon = MbIcon::Error;
        request.text = "前回の振り分けの記録（" + std::string(kRunJournalFileName) +
                       "）を History.dat に追加できませんでした。ファイルはそのまま残してあります。\n" +
                       status.error();
        return request;
    }
    std::vector<std::string> lines;
    if (result.recovered > 0) {
        std::string line = "前回の振り分けが途中で終わったため、History.dat に記録されていなかった " +
                           std::to_string(result.recovered) + " 件の振り分け履歴を追加しました。";
        if (result.found > 0)
            line += "（うち " + std::to_string(result.found) +
                    " 件は、移動やコピーの途中で終わった項目を、いまある場所で記録したものです。）";
        lines.push_back(std::move(line));
    }
    if (result.stayed > 0)
        lines.push_back("途中で終わった " + std::to_string(result.stayed) +
                        " 個の項目は、振り分け元フォルダにそのまま残っています（記録はありません）。");
    if (result.missing > 0) {
        request.icon = MbIcon::Warning;
        lines.push_back("途中で終わった " + std::to_string(result.missing) +
                        " 個の項目は、振り分け元にも振り分け先にも見つかりませんでした。");
    }
    if (result.keptAside.Needed()) {
        request.icon = MbIcon::Warning;
        std::string line = "前回の振り分けの記録（" + std::string(kRunJournalFileName) + "）は" +
                           result.keptAside.reason + "。読めた部分だけを使いました。";
        if (!result.keptAside.copyPathText.empty())
            line += "元のファイルを " + ToNativePath(result.keptAside.copyPathText) + " として残しました。";
        else
            line += "元のファイルを別の名前で残せなかったため、そのまま残してあります。\n" +
                    result.keptAside.error;
        lines.push_back(std::move(line));
    }
    if (lines.empty())
        return std::nullopt;
    for (const std::string& line : lines)
        request.text += (request.text.empty() ? "" : "\n") + line;
    return request;
}

} // namespace sv
