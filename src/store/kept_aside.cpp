// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/kept_aside.h"

#include "platform/file_messages.h"
#include "platform/files.h"
#include "platform/pathtext.h"

namespace sv {

TKeptAside KeepAsideFor(std::string_view pathText, std::string_view fileName, std::string reason) {
    TKeptAside kept;
    kept.fileName = std::string(fileName);
    kept.reason = std::move(reason);
    if (!kept.Needed())
        return kept;
    bool existed = false;
    if (FileStatus copied = KeepCopyAside(pathText, kept.copyPathText, &existed); !copied)
        kept.error = FileErrorText(copied.error());
    // The same bytes were kept and told before: nothing new to say.
    if (existed)
        kept.reason.clear();
    return kept;
}

MessageBoxRequest KeptAsideMessage(const TKeptAside& kept) {
    MessageBoxRequest request;
    request.title = "Sorvanta - データファイルの保護";
    request.icon = MbIcon::Warning;
    request.text = kept.fileName + " は" + kept.reason + "。\n";
    if (!kept.copyPathText.empty())
        request.text += "元のファイルを " + ToNativePath(kept.copyPathText) + " として残しました。";
    else
        request.text += "元のファイルを残せませんでした。\n" + kept.error;
    return request;
}

} // namespace sv
