// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/recent_files.h"

#include "platform/cp932.h"
#include "platform/profile.h"
#include "store/condition.h"

#include <algorithm>

namespace sv {

std::vector<std::string> RecentItems(const TRecentSlots& slots) {
    std::vector<std::string> items;
    for (const std::string& slot : slots)
        if (!slot.empty())
            items.push_back(slot);
    return items;
}

std::vector<std::string> UpdateRecentFiles(const std::vector<std::string>& items, std::string_view current,
                                           TRecentSlots& slots) {
    std::vector<std::string> list;
    if (!current.empty())
        list.push_back(NormaliseFolderPath(current));
    for (const std::string& item : items) {
        if (!item.empty() && std::find(list.begin(), list.end(), item) == list.end())
            list.push_back(item);
    }
    if (list.size() > kMaxRecentFiles)
        list.resize(kMaxRecentFiles);
    for (std::size_t k = 0; k < slots.size(); ++k)
        slots[k] = k < list.size() ? list[k] : std::string();
    return list;
}

std::string RecentNameProblem(std::string_view pathText) {
    if (const std::string bad = FirstUnstorableChar(pathText); !bad.empty())
        return "ファイル名に使用できない文字「" + bad +
               "」が含まれています。\nSorvanta の設定ファイルは Shift_JIS (コードページ 932) "
               "で保存されるため、この文字を含むファイル名は使用できません。";
    if (pathText.find_first_of("\r\n") != std::string_view::npos)
        return "ファイル名に改行は使用できません。";
    if (Cp932Length(pathText) > ProfileFile::kMaxValueBytes)
        return "ファイル名が長すぎます。";
    return {};
}

} // namespace sv
