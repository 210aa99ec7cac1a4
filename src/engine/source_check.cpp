// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/source_check.h"

#include "platform/files.h"
#include "platform/pathtext.h"

namespace sv {
namespace {

const std::string kForbidden = std::string("フォルダの設定で / : * ? ") + "\"" +
                               " < > | を使用することはできません。" +
                               "全ての振り分け元フォルダの設定を確認してください。";

bool HasForbiddenChar(std::string_view folder) {
    return folder.find_first_of("/*?<>\"|") != std::string_view::npos;
}

} // namespace

TSourceCheck CheckSourceFolders(bool execAll, const std::vector<std::string>& history,
                                std::string_view comboText) {
    TSourceCheck check;
    if (execAll && !history.empty()) {
        for (std::size_t i = 0; i < history.size(); ++i) {
            const std::string& entry = history[i];
            if (HasForbiddenChar(entry)) {
                check.message = kForbidden;
                return check;
            }
            if (!FolderExists(entry)) {
                check.message = "振り分け元フォルダ [ " + ToNativePath(entry) + " ] が存在しません。";
                check.currentIndex = static_cast<int>(i);
                return check;
            }
        }
        return check;
    }
    if (HasForbiddenChar(comboText))
        check.message = kForbidden;
    else if (comboText.empty() || !FolderExists(comboText))
        check.message = "振り分け元フォルダが存在しません。";
    return check;
}

} // namespace sv
