// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_logic.h"

#include "dialogs/condition_form_logic.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/profile.h"

#include <algorithm>

namespace sv {

bool HasForbiddenFolderChar(std::string_view pathText) {
    return pathText.find_first_of("/*?<>\"|") != std::string_view::npos;
}

std::string UnencodableMessage(std::string_view what, std::string_view text) {
    return std::string(what) + "に使用できない文字「" + FirstUnstorableChar(text) +
           "」が含まれています。\nSorvanta のファイルは Shift_JIS (コードページ 932) "
           "で保存されるため、この文字は保存できません。";
}

std::string TypedFolderProblem(std::string_view native) {
    if (native.find('\\') != std::string_view::npos)
        return "フォルダの指定に \\ は使用できません。";
    if (HasForbiddenFolderChar(FromNativePath(native)))
        return "フォルダの指定に / : * ? \" < > | は使用できません。";
    if (!FirstUnstorableChar(native).empty())
        return UnencodableMessage("フォルダの指定", native);
    // The settings file reads a value back cut to this length: a longer folder would come back as
    // another folder.
    if (Cp932Length(FromNativePath(native)) > ProfileFile::kMaxValueBytes)
        return std::string(kFolderTooLong);
    return {};
}

std::string DeleteQuestion(std::string_view keywordText) {
    std::string text = "この振り分け条件を削除しますか？ \n\n";
    std::string name = SettingName(keywordText);
    if (const auto cut = name.find("//"); cut != std::string::npos)
        name.resize(cut);
    if (!name.empty())
        text += "設定名    ： " + name + "  " + "\n";
    text += "キーワード ： " + Keywords(keywordText) + "  ";
    return text;
}

Status PasteFromBuffer(TConditionList& list, int index, const TCopyBuffer& buffer) {
    if (!buffer.full)
        return {};
    TSortCondition condition = buffer.condition;
    condition.destText = SetChecked(condition.destText, buffer.checked);
    return list.InsertAt(std::clamp(index, 0, list.Count()), std::move(condition));
}

TCommandStates CommandStates(int selectedRow, int rowCount) {
    TCommandStates states;
    if (selectedRow < 0 || selectedRow >= rowCount)
        return states;
    states.selectionCommands = true;
    states.up = selectedRow > 0;
    states.down = selectedRow < rowCount - 1;
    return states;
}

TUpDownLayout UpDownLayout(int listTop, int listHeight) {
    TUpDownLayout layout;
    layout.height = std::max(listHeight / 2 - 5, 0);
    layout.upTop = listTop;
    layout.downTop = listTop + layout.height + 11;
    return layout;
}

std::string IniFileNameFor(std::string_view executableBaseName) {
    if (executableBaseName == "sorvanta" || executableBaseName.empty())
        return "Sorvanta.ini";
    return std::string(executableBaseName) + ".ini";
}

} // namespace sv
