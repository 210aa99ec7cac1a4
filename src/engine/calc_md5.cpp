// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/calc_md5.h"

#include "platform/file_reader.h"
#include "platform/pathtext.h"

#include <algorithm>
#include <memory>

namespace sv {
namespace {

// The file is read a mebibyte at a time and handed over in 1024-byte blocks: a gigabyte costs a
// thousand reads instead of a million.
constexpr std::size_t kReadSize = 1 << 20;
static_assert(kReadSize % kHashBlock == 0);

// A path text whose doubled backslashes are reduced to one, shown as a native path.
std::string ShownPath(std::string_view pathText) {
    std::string single;
    for (const char c : pathText) {
        if (c == '\\' && !single.empty() && single.back() == '\\')
            continue;
        single.push_back(c);
    }
    return ToNativePath(single);
}

} // namespace

std::string ThreadCalcMD5(const DigestLibrary& library, FileSystem& files, std::string_view pathText,
                          const std::atomic<bool>& terminate, const std::function<void(int)>& report,
                          std::size_t worker) {
    const std::string failed(kHashFailed);
    if (!library.Loaded() || library.InitAlgorithm(worker) != 0)
        return failed;
    const auto size = files.EntrySize(pathText);
    const std::uint64_t total = size && *size != 0 ? *size : 1;
    FileReader file;
    if (!files.OpenFile(file, pathText).ok())
        return failed;

    // Not zeroed first: a small file would pay for clearing the whole mebibyte.
    const std::unique_ptr<char[]> buffer(new char[kReadSize]);
    std::uint64_t read = 0;
    std::uint64_t blocks = 0;
    for (;;) {
        const auto filled = file.Fill(buffer.get(), kReadSize);
        if (!filled)
            return failed;
        for (std::size_t at = 0; at < *filled; at += kHashBlock) {
            const std::size_t n = std::min(kHashBlock, *filled - at);
            read += n;
            ++blocks;
            if ((blocks - 1) % kProgressEvery == 0 || n < kHashBlock)
                report(static_cast<int>(read * 100 / total));
            if (terminate.load(std::memory_order_relaxed))
                return failed;
            if (library.InputData(buffer.get() + at, static_cast<std::int32_t>(n), worker) != 0)
                return failed;
        }
        if (*filled < kReadSize)
            break;
    }
    file.Close();
    const auto text = library.HashText(worker);
    return text ? *text : failed;
}

std::string HashStatusText(HashedFile which, std::string_view pathText) {
    return std::string(which == HashedFile::Source ? "振り分け元ファイル ハッシュ値計算中： "
                                                   : "振り分け先ファイル ハッシュ値計算中： ") +
           ShownPath(pathText);
}

std::string HashFile(RunUi& ui, const DigestLibrary& library, FileSystem& files, std::string_view pathText,
                     HashedFile which) {
    Worker worker([&library, &files, path = std::string(pathText)](TWorkerSignals& signals) {
        return ThreadCalcMD5(library, files, path, signals.terminate,
                             [&signals](int percent) { signals.progress.store(percent); });
    });
    ui.SetStatus(HashStatusText(which, pathText));
    if (!WaitWithEvents(ui, worker))
        return std::string(kHashPending);
    return worker.Result();
}

} // namespace sv
