// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/condition_file.h"

#include "platform/cp932.h"
#include "platform/file_messages.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/utf8.h"

#include <algorithm>
#include <vector>

namespace sv {
namespace {

// Splits at CR, LF or CR LF; a final line without a line end counts; a zero byte ends the text.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
    const auto zero = bytes.find('\0');
    if (zero != std::string_view::npos)
        bytes = bytes.substr(0, zero);
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n')
            ++start;
    }
    return lines;
}

bool HasByteEscape(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (IsByteEscape(Utf8Next(text, pos)))
            return true;
    }
    return false;
}

// Every coded destination text the editor writes holds its two size blocks and its time-stamp
// block; a keyword text never holds their characters.
bool HasFixedBlocks(std::string_view destText) {
    return destText.find('\x05') != std::string_view::npos &&
           destText.find('\x06') != std::string_view::npos && destText.find('\x13') != std::string_view::npos;
}

bool HasBlockCharacter(std::string_view text) {
    return text.find_first_of("\x05\x06\x13") != std::string_view::npos;
}

} // namespace

std::string ConditionFileDamage(std::string_view bytes, const TConditionList& loaded) {
    const auto zero = bytes.find('\0');
    if (zero != std::string_view::npos && zero + 1 < bytes.size())
        return "途中に 0 のバイトがあり、その後ろの内容を読み込めませんでした";
    const auto lines = SplitLines(bytes);
    if (lines.size() > 2 * static_cast<std::size_t>(TConditionList::kCapacity))
        return "20000 行を超えているため、その後ろの条件を読み込めませんでした";
    if (lines.size() % 2 != 0)
        return "行の数が奇数のため、最後の行を読み込めませんでした";
    std::vector<std::string> texts;
    texts.reserve(lines.size());
    bool withBlocks = false;
    bool withoutBlocks = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        texts.push_back(Cp932ToUtf8(lines[i]));
        if (HasByteEscape(texts.back()))
            return "コードページ 932 の文字でないバイトを含んでいます";
        // Lines out of step (a stray line) put coded lines where keyword lines belong. A file
        // whose coded lines all lack the blocks is only plain (they read as their defaults).
        if (i % 2 == 0 && HasBlockCharacter(texts.back()))
            return "行がずれていて、振り分け先の行がキーワードの行として読まれます";
        if (i % 2 == 1 && !texts.back().empty())
            (HasFixedBlocks(texts.back()) ? withBlocks : withoutBlocks) = true;
    }
    if (withBlocks && withoutBlocks)
        return "振り分け先の行の形式が正しくない条件を含んでいます（行のずれなど）";
    if (!IsExactCp932(bytes.substr(0, zero)))
        return std::string(kOtherCodesReason);
    // What the next save writes must be what was read, text for text; trailing empty lines say
    // nothing.
    while (texts.size() >= 2 && texts.back().empty() && texts[texts.size() - 2].empty())
        texts.resize(texts.size() - 2);
    std::vector<std::string> written;
    for (int i = 0; i < loaded.UsedSlots(); ++i) {
        written.push_back(loaded.At(i).keywordText);
        written.push_back(loaded.At(i).destText);
    }
    if (written != texts)
        return "読み込んだとおりには保存できない部分を含んでいます";
    return {};
}

ConditionLoad LoadConditions(std::string_view folder, TConditionList& list, bool keepAside) {
    ConditionLoad result;
    list.Clear();
    const std::string path = JoinPath(folder, kConditionFileName);
    FileRead read = ReadWholeFile(path);
    if (read.state == ReadState::Missing)
        return result;
    if (read.state == ReadState::Failed) {
        // Keep the unreadable file out of the way of the next save, which would replace it.
        result.unreadable = true;
        result.error = FileErrorText(read.error);
        if (!keepAside)
            return result;
        if (FileStatus moved = MoveAside(path, result.movedAsideTo); !moved)
            result.error += "\n" + FileErrorText(moved.error());
        return result;
    }
    const auto lines = SplitLines(read.bytes);
    const std::size_t pairs = std::min<std::size_t>(lines.size() / 2, TConditionList::kCapacity);
    for (std::size_t k = 0; k < pairs; ++k)
        list.Put(static_cast<int>(k), {Cp932ToUtf8(lines[2 * k]), Cp932ToUtf8(lines[2 * k + 1])});
    constexpr std::size_t kMaxLines = 2 * TConditionList::kCapacity;
    if (lines.size() > kMaxLines)
        result.ignoredLines = static_cast<int>(lines.size() - kMaxLines);
    // A file that would not be written back as it was read is copied aside before any save.
    if (keepAside)
        result.keptAside = KeepAsideFor(path, kConditionFileName, ConditionFileDamage(read.bytes, list));
    return result;
}

Status ConditionFileBytes(const TConditionList& list, std::string& bytes) {
    bytes.clear();
    const int used = list.UsedSlots();
    for (int i = 0; i < used; ++i) {
        const TSortCondition& c = list.At(i);
        for (const std::string* text : {&c.keywordText, &c.destText}) {
            auto encoded = Utf8ToCp932(*text);
            if (!encoded)
                return Status::Fail("「" + *text + "」の文字 " + FirstUnencodableChar(*text) +
                                    " は保存できません。");
            bytes += *encoded;
            bytes += "\r\n";
        }
    }
    return {};
}

void TConditionFileWatch::Take(std::string_view folder) {
    known = true;
    stamp = StampOf(JoinPath(folder, kConditionFileName));
}

Status SaveConditions(std::string_view folder, const TConditionList& list, TConditionFileWatch* watch) {
    std::string bytes;
    if (Status s = ConditionFileBytes(list, bytes); !s)
        return s;
    const std::string path = JoinPath(folder, kConditionFileName);
    if (watch != nullptr && watch->known) {
        const FileStamp now = StampOf(path);
        if (now.exists && !(now == watch->stamp)) {
            watch->keptAside = KeepAsideFor(
                path, kConditionFileName,
                "起動後に Sorvanta の外で変更されていました。保存のため、今の一覧の内容で置き換えます");
            if (!watch->keptAside.error.empty())
                return Status::Fail(watch->keptAside.error);
        }
    }
    if (FileStatus written = WriteFileAtomic(path, bytes); !written)
        return FailureStatus(written);
    if (watch != nullptr)
        watch->Take(folder);
    return {};
}

} // namespace sv
