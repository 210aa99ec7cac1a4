// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/run_journal.h"

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "store/history_file.h"
#include "store/last_run.h"
#include "store/run_items.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sv {
namespace {

constexpr int kRecordsPerFlush = 8;

} // namespace

TRunJournal::~TRunJournal() {
    if (m_fd >= 0) {
        ::fsync(m_fd);
        ::close(m_fd);
    }
}

Status TRunJournal::Open(std::string_view folder) {
    if (m_fd >= 0)
        Discard();
    m_path = ToNativePath(JoinPath(folder, kRunJournalFileName));
    // Appended to, never truncated: the records of a run nobody recovered yet stay in front.
    m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return Status::Fail("cannot open " + m_path + ": " + std::strerror(errno));
    m_unflushed = 0;
    return {};
}

void TRunJournal::Append(std::string_view block) {
    if (m_fd < 0)
        return;
    // One write per block: a block is either whole in the journal or not at all, short of a
    // power loss in the middle of it, which the recovery drops as a partial block.
    const char* data = block.data();
    std::size_t left = block.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (++m_unflushed >= kRecordsPerFlush)
        Flush();
}

void TRunJournal::Flush() {
    if (m_fd >= 0 && m_unflushed > 0) {
        ::fdatasync(m_fd);
        m_unflushed = 0;
    }
}

void TRunJournal::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_path.empty())
        ::unlink(m_path.c_str());
    m_unflushed = 0;
}

Status RecoverRunJournal(std::string_view folder, int& recovered) {
    recovered = 0;
    const std::string journal = JoinPath(folder, kRunJournalFileName);
    const FileRead read = ReadWholeFile(journal);
    if (read.state == ReadState::Missing)
        return {};
    if (read.state == ReadState::Failed)
        return Status::Fail(read.error);
    const TRunBlocks blocks = ParseRunBlocks(read.bytes);
    if (!blocks.records.empty()) {
        const std::string path = JoinPath(folder, kHistoryFileName);
        const FileRead existing = ReadWholeFile(path);
        if (existing.state == ReadState::Failed)
            return Status::Fail(existing.error);
        // Both parts keep their bytes: nothing is decoded and encoded again.
        std::string bytes;
        for (const auto& record : blocks.records) {
            for (const std::string& line : record) {
                bytes += line;
                bytes += "\r\n";
            }
        }
        for (const std::string_view line : NonEmptyLines(existing.bytes)) {
            bytes += line;
            bytes += "\r\n";
        }
        if (Status written = WriteFileAtomic(path, bytes); !written)
            return written;
        recovered = static_cast<int>(blocks.records.size());
        // Without it the dead run could only be moved back item by item.
        (void)WriteLastRunBlocks(folder, read.bytes.substr(0, blocks.wholeBytes));
    }
    ::unlink(ToNativePath(journal).c_str());
    return {};
}

} // namespace sv
