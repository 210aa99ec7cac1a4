// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/run_items.h"

#include "platform/cp932.h"
#include "store/record_text.h"

namespace sv {
namespace {

void AddLine(std::string& bytes, std::string_view utf8) {
    bytes += Utf8ToCp932Lossy(utf8);
    bytes += "\r\n";
}

char KindLetter(TRunItemKind kind) {
    return kind == TRunItemKind::Copied ? 'C' : kind == TRunItemKind::Deleted ? 'D' : 'M';
}

} // namespace

std::string RunRecordBlock(const TRunItem& item, const std::array<std::string, 4>& recordLines) {
    std::string bytes(1, KindLetter(item.kind));
    bytes += "\r\n";
    AddLine(bytes, EscapeRecordText(item.originalName));
    for (const std::string& line : recordLines)
        AddLine(bytes, line);
    return bytes;
}

std::string CreatedFolderBlock(const TCreatedFolder& folder) {
    std::string bytes = "F\r\n";
    AddLine(bytes, EscapeRecordText(folder.leaf));
    AddLine(bytes, EscapeRecordText(folder.top));
    return bytes;
}

TRunBlocks ParseRunBlocks(std::string_view bytes) {
    TRunBlocks blocks;
    std::size_t at = 0;
    // The next line, when it is whole (ends in CR LF).
    auto line = [&](std::size_t& pos, std::string_view& out) {
        const std::size_t end = bytes.find("\r\n", pos);
        if (end == std::string_view::npos)
            return false;
        out = bytes.substr(pos, end - pos);
        pos = end + 2;
        return true;
    };
    while (at < bytes.size()) {
        std::size_t pos = at;
        std::string_view kind;
        if (!line(pos, kind))
            break;
        if (kind == "F") {
            std::string_view leaf;
            std::string_view top;
            if (!line(pos, leaf) || !line(pos, top))
                break;
            blocks.folders.push_back(
                {UnescapeRecordText(Cp932ToUtf8(leaf)), UnescapeRecordText(Cp932ToUtf8(top))});
        } else if (kind == "M" || kind == "C" || kind == "D") {
            std::string_view name;
            std::array<std::string_view, 4> record;
            if (!line(pos, name) || !line(pos, record[0]) || !line(pos, record[1]) || !line(pos, record[2]) ||
                !line(pos, record[3]))
                break;
            TRunItem item;
            item.kind = kind == "C"   ? TRunItemKind::Copied
                        : kind == "D" ? TRunItemKind::Deleted
                                      : TRunItemKind::Moved;
            item.originalName = UnescapeRecordText(Cp932ToUtf8(name));
            blocks.items.push_back(std::move(item));
            blocks.records.push_back({std::string(record[0]), std::string(record[1]), std::string(record[2]),
                                      std::string(record[3])});
        } else {
            break;
        }
        at = pos;
    }
    blocks.wholeBytes = at;
    blocks.whole = at == bytes.size();
    return blocks;
}

} // namespace sv
