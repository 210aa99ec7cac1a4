// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/same_content.h"

#include "platform/file_reader.h"

#include <cstring>
#include <memory>

namespace sv {

ContentMatch CompareContents(FileSystem& files, std::string_view pathTextA, std::string_view pathTextB,
                             const std::function<bool(std::uint64_t done)>& keepGoing) {
    // Large chunks: a duplicate of a gigabyte is compared in a thousand reads, not a million.
    constexpr std::size_t kChunk = 1 << 20;
    FileReader a;
    FileReader b;
    if (!files.OpenFile(a, pathTextA).ok() || !files.OpenFile(b, pathTextB).ok())
        return ContentMatch::Failed;
    const auto bufferA = std::make_unique<char[]>(kChunk);
    const auto bufferB = std::make_unique<char[]>(kChunk);
    std::uint64_t done = 0;
    for (;;) {
        const auto na = a.Fill(bufferA.get(), kChunk);
        const auto nb = b.Fill(bufferB.get(), kChunk);
        if (!na || !nb)
            return ContentMatch::Failed;
        if (*na != *nb || std::memcmp(bufferA.get(), bufferB.get(), *na) != 0)
            return ContentMatch::Different;
        if (*na < kChunk)
            return ContentMatch::Equal;
        done += *na;
        if (keepGoing && !keepGoing(done))
            return ContentMatch::Stopped;
    }
}

} // namespace sv
