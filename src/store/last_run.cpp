// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/last_run.h"

#include "platform/cp932.h"
#include "platform/file_messages.h"
#include "platform/files.h"
#include "platform/pathtext.h"

#include <unistd.h>

namespace sv {
namespace {

constexpr std::string_view kHeader = "Sorvanta last run 1\r\n";

} // namespace

Status WriteLastRun(std::string_view folder, const TPendingHistory& pending) {
    if (pending.Empty())
        return {};
    std::string blocks;
    const std::size_t records = pending.lines.size() / 4;
    for (std::size_t i = 0; i < records && i < pending.items.size(); ++i) {
        blocks += RunRecordBlock(pending.items[i], {pending.lines[4 * i], pending.lines[4 * i + 1],
                                                    pending.lines[4 * i + 2], pending.lines[4 * i + 3]});
    }
    for (const TCreatedFolder& created : pending.createdFolders)
        blocks += CreatedFolderBlock(created);
    return WriteLastRunBlocks(folder, blocks);
}

Status WriteLastRunBlocks(std::string_view folder, std::string_view blocks) {
    std::string bytes(kHeader);
    bytes += blocks;
    return FailureStatus(WriteFileAtomic(JoinPath(folder, kLastRunFileName), bytes));
}

Result<TLastRun, LastRunGap> ReadLastRun(std::string_view folder) {
    using Read = Result<TLastRun, LastRunGap>;
    const FileRead side = ReadWholeFile(JoinPath(folder, kLastRunFileName));
    if (side.state != ReadState::Ok)
        return Read::Fail(LastRunGap::NoRecord);
    const std::string_view bytes = side.bytes;
    const TRunBlocks blocks =
        bytes.starts_with(kHeader) ? ParseRunBlocks(bytes.substr(kHeader.size())) : TRunBlocks{};
    if (!bytes.starts_with(kHeader) || !blocks.whole)
        return Read::Fail(LastRunGap::Unreadable);
    if (blocks.records.empty())
        return Read::Fail(LastRunGap::NoRecord);
    const FileRead history = ReadWholeFile(JoinPath(folder, kHistoryFileName));
    const std::vector<std::string_view> top =
        history.state == ReadState::Ok ? NonEmptyLines(history.bytes) : std::vector<std::string_view>();
    TLastRun run;
    for (std::size_t i = 0; i < blocks.records.size(); ++i) {
        const auto& record = blocks.records[i];
        for (std::size_t k = 0; k < 4; ++k) {
            if (4 * i + k >= top.size() || top[4 * i + k] != record[k])
                return Read::Fail(LastRunGap::HistoryChanged);
        }
        run.entries.push_back(HistoryEntryFromLines(Cp932ToUtf8(record[0]), Cp932ToUtf8(record[1]),
                                                    Cp932ToUtf8(record[2]), Cp932ToUtf8(record[3])));
    }
    run.items = blocks.items;
    run.folders = blocks.folders;
    run.records = blocks.records;
    return run;
}

void ForgetLastRun(std::string_view folder) {
    ::unlink(ToNativePath(JoinPath(folder, kLastRunFileName)).c_str());
}

} // namespace sv
