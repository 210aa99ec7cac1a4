// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/condition_file.h"

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"

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

} // namespace

ConditionLoad LoadConditions(std::string_view folder, TConditionList& list) {
    ConditionLoad result;
    list.Clear();
    const std::string path = JoinPath(folder, kConditionFileName);
    FileRead read = ReadWholeFile(path);
    if (read.state == ReadState::Missing)
        return result;
    if (read.state == ReadState::Failed) {
        // Keep the unreadable file out of the way of the next save, which would replace it.
        result.unreadable = true;
        result.error = read.error;
        if (Status moved = MoveAside(path, result.movedAsideTo); !moved)
            result.error += "\n" + moved.error();
        return result;
    }
    const auto lines = SplitLines(read.bytes);
    const std::size_t pairs = std::min<std::size_t>(lines.size() / 2, TConditionList::kCapacity);
    for (std::size_t k = 0; k < pairs; ++k)
        list.Put(static_cast<int>(k), {Cp932ToUtf8(lines[2 * k]), Cp932ToUtf8(lines[2 * k + 1])});
    constexpr std::size_t kMaxLines = 2 * TConditionList::kCapacity;
    if (lines.size() > kMaxLines)
        result.ignoredLines = static_cast<int>(lines.size() - kMaxLines);
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

Status SaveConditions(std::string_view folder, const TConditionList& list) {
    std::string bytes;
    if (Status s = ConditionFileBytes(list, bytes); !s)
        return s;
    return WriteFileAtomic(JoinPath(folder, kConditionFileName), bytes);
}

} // namespace sv
