// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/run_items.h"

#include "platform/cp932.h"
#include "store/history_file.h"
#include "store/record_text.h"

#include <charconv>

namespace sv {
namespace {

void AddLine(std::string& bytes, std::string_view utf8) {
    bytes += Utf8ToCp932Lossy(utf8);
    bytes += "\r\n";
}

void AddText(std::string& bytes, std::string_view native) {
    AddLine(bytes, EscapeRecordText(native));
}

char KindLetter(TRunItemKind kind) {
    return kind == TRunItemKind::Copied ? 'C' : kind == TRunItemKind::Deleted ? 'D' : 'M';
}

char ActionLetter(TIntentAction action) {
    switch (action) {
    case TIntentAction::Rename:
        return 'R';
    case TIntentAction::Copy:
        return 'C';
    case TIntentAction::Delete:
        return 'D';
    case TIntentAction::Move:
        break;
    }
    return 'M';
}

std::string StampToken(char key, const ItemStamp& stamp) {
    std::string token(1, key);
    token += '=' + std::to_string(stamp.id.device) + ':' + std::to_string(stamp.id.inode);
    if (!stamp.folder)
        token += ':' + std::to_string(stamp.size) + ':' + std::to_string(stamp.mtimeNs);
    return token;
}

template <typename Number> bool ParseNumber(std::string_view text, Number& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "device:inode" of a folder or "device:inode:size:mtime" of a file.
std::optional<ItemStamp> ParseStamp(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const auto colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (colon == std::string_view::npos)
            break;
        start = colon + 1;
    }
    ItemStamp stamp;
    if ((parts.size() != 2 && parts.size() != 4) || !ParseNumber(parts[0], stamp.id.device) ||
        !ParseNumber(parts[1], stamp.id.inode))
        return std::nullopt;
    stamp.folder = parts.size() == 2;
    if (!stamp.folder && (!ParseNumber(parts[2], stamp.size) || !ParseNumber(parts[3], stamp.mtimeNs)))
        return std::nullopt;
    return stamp;
}

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    for (std::size_t start = 0; start <= line.size();) {
        const auto blank = line.find(' ', start);
        const std::size_t end = blank == std::string_view::npos ? line.size() : blank;
        tokens.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return tokens;
}

// The four lines of a record as History.dat holds them; the name cannot be empty (the line reader
// refuses empty lines) and the location is always destination "*" source.
bool LooksLikeRecord(const std::array<std::string_view, 4>& lines) {
    return LooksLikeEntryTime(lines[0]) && IsActionMarkLine(lines[1]) &&
           lines[3].find('*') != std::string_view::npos;
}

std::string Text(std::string_view cp932) {
    return UnescapeRecordText(Cp932ToUtf8(cp932));
}

class BlockReader final {
public:
    explicit BlockReader(std::string_view bytes) : m_bytes(bytes) {}

    enum class Line { Ok, End, Bad };

    // The next line, when it is whole (ends in CR LF) and is one a run writes: not empty and
    // without a line break of another kind inside. End: the bytes end inside the line, without
    // a line break of any kind, as a write cut short leaves them.
    Line Next(std::string_view& out) {
        const std::size_t end = m_bytes.find("\r\n", m_pos);
        if (end == std::string_view::npos)
            return m_bytes.find_first_of("\r\n", m_pos) == std::string_view::npos ? Line::End : Line::Bad;
        out = m_bytes.substr(m_pos, end - m_pos);
        m_pos = end + 2;
        return out.empty() || out.find_first_of("\r\n") != std::string_view::npos ? Line::Bad : Line::Ok;
    }

    std::size_t pos() const { return m_pos; }
    void Seek(std::size_t pos) { m_pos = pos; }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

} // namespace

std::string RunRecordBlockBytes(const TRunItem& item, const std::array<std::string, 4>& recordBytes) {
    std::string bytes(1, KindLetter(item.kind));
    if (item.stamp)
        bytes += ' ' + StampToken('i', *item.stamp);
    if (!item.stayedBehind.empty())
        bytes += " s=" + std::to_string(item.stayedBehind.size());
    bytes += "\r\n";
    AddText(bytes, item.originalName);
    for (const std::string& line : recordBytes) {
        bytes += line;
        bytes += "\r\n";
    }
    for (const std::string& stayed : item.stayedBehind)
        AddText(bytes, stayed);
    return bytes;
}

std::string RunRecordBlock(const TRunItem& item, const std::array<std::string, 4>& recordLines) {
    std::array<std::string, 4> bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = Utf8ToCp932Lossy(recordLines[i]);
    return RunRecordBlockBytes(item, bytes);
}

std::string CreatedFolderBlock(const TCreatedFolder& folder) {
    std::string bytes = "F\r\n";
    AddText(bytes, folder.leaf);
    AddText(bytes, folder.top);
    return bytes;
}

std::string IntentBlock(const TRunIntent& intent) {
    std::string bytes = "I ";
    bytes += ActionLetter(intent.action);
    if (intent.extTaken)
        bytes += " x";
    if (intent.replaced)
        bytes += ' ' + StampToken('r', *intent.replaced);
    bytes += "\r\n";
    AddLine(bytes, intent.time);
    AddLine(bytes, std::to_string(intent.mark) + " " + std::to_string(intent.extMark));
    AddText(bytes, intent.sourceFolder);
    AddText(bytes, intent.sourceName);
    AddText(bytes, intent.destFolder);
    AddText(bytes, intent.destName);
    AddText(bytes, intent.extName);
    return bytes;
}

TRunBlocks ParseRunBlocks(std::string_view bytes) {
    TRunBlocks blocks;
    blocks.runStarts.push_back(0);
    BlockReader reader(bytes);
    std::optional<TOpenIntent> open;
    auto leaveOpen = [&] {
        if (open)
            blocks.openIntents.push_back(std::move(*open));
        open.reset();
    };
    bool first = true;
    BlockReader::Line state = BlockReader::Line::Ok;
    // Reads the next line of the block into `out`; false ends the reading.
    auto line = [&](std::string_view& out) {
        state = reader.Next(out);
        return state == BlockReader::Line::Ok;
    };
    std::size_t at = 0;
    for (; at < bytes.size(); first = false) {
        reader.Seek(at);
        std::string_view kindLine;
        if (!line(kindLine))
            break;
        const std::vector<std::string_view> tokens = Tokens(kindLine);
        const std::string_view kind = tokens[0];
        bool ok = true;
        if (kind == "S" && tokens.size() == 1) {
            leaveOpen();
            if (!first)
                blocks.runStarts.push_back(blocks.records.size());
        } else if (kind == "N" && tokens.size() == 1) {
            open.reset();
        } else if (kind == "F" && tokens.size() == 1) {
            std::string_view leaf;
            std::string_view top;
            ok = line(leaf) && line(top);
            if (ok)
                blocks.folders.push_back({Text(leaf), Text(top)});
        } else if (kind == "M" || kind == "C" || kind == "D") {
            TRunItem item;
            item.kind = kind == "C"   ? TRunItemKind::Copied
                        : kind == "D" ? TRunItemKind::Deleted
                                      : TRunItemKind::Moved;
            std::size_t stayed = 0;
            for (std::size_t i = 1; i < tokens.size() && ok; ++i) {
                if (tokens[i].starts_with("i="))
                    ok = (item.stamp = ParseStamp(tokens[i].substr(2))).has_value();
                else
                    ok = tokens[i].starts_with("s=") && ParseNumber(tokens[i].substr(2), stayed);
            }
            std::string_view name;
            std::array<std::string_view, 4> record;
            ok = ok && line(name) && line(record[0]) && line(record[1]) && line(record[2]) &&
                 line(record[3]) && LooksLikeRecord(record);
            for (std::size_t i = 0; i < stayed && ok; ++i) {
                std::string_view entry;
                ok = line(entry);
                if (ok)
                    item.stayedBehind.push_back(Text(entry));
            }
            if (ok) {
                item.originalName = Text(name);
                blocks.items.push_back(std::move(item));
                blocks.records.push_back({std::string(record[0]), std::string(record[1]),
                                          std::string(record[2]), std::string(record[3])});
                open.reset();
            }
        } else if (kind == "I" && tokens.size() >= 2 && tokens[1].size() == 1) {
            TOpenIntent intent;
            TRunIntent& i = intent.intent;
            const char action = tokens[1][0];
            ok = action == 'R' || action == 'M' || action == 'C' || action == 'D';
            i.action = action == 'R'   ? TIntentAction::Rename
                       : action == 'C' ? TIntentAction::Copy
                       : action == 'D' ? TIntentAction::Delete
                                       : TIntentAction::Move;
            for (std::size_t k = 2; k < tokens.size() && ok; ++k) {
                if (tokens[k] == "x")
                    i.extTaken = true;
                else
                    ok = tokens[k].starts_with("r=") &&
                         (i.replaced = ParseStamp(tokens[k].substr(2))).has_value();
            }
            std::array<std::string_view, 7> lines;
            for (std::string_view& text : lines)
                ok = ok && line(text);
            const std::string_view marks = lines[1];
            ok = ok && LooksLikeEntryTime(lines[0]) && marks.size() == 3 && marks[0] >= '0' &&
                 marks[0] <= '6' && marks[1] == ' ' && marks[2] >= '0' && marks[2] <= '6';
            if (ok) {
                i.time = std::string(lines[0]);
                i.mark = marks[0] - '0';
                i.extMark = marks[2] - '0';
                i.sourceFolder = Text(lines[2]);
                i.sourceName = Text(lines[3]);
                i.destFolder = Text(lines[4]);
                i.destName = Text(lines[5]);
                i.extName = Text(lines[6]);
                intent.run = blocks.runStarts.size() - 1;
                intent.recordsBefore = blocks.records.size();
                leaveOpen();
                open = std::move(intent);
            }
        } else {
            ok = false;
        }
        if (!ok) {
            if (state == BlockReader::Line::Ok)
                state = BlockReader::Line::Bad;
            break;
        }
        at = reader.pos();
    }
    leaveOpen();
    blocks.wholeBytes = at;
    blocks.whole = at == bytes.size();
    if (!blocks.whole && state == BlockReader::Line::Bad)
        blocks.damage =
            "途中から形式が正しくありません（" + std::to_string(at) + " バイト目以降を読めません）";
    return blocks;
}

} // namespace sv
