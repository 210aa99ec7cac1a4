// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_logic.h"

#include "dialogs/condition_form_logic.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/profile.h"

#include <algorithm>

namespace sv {
namespace {

MessageBoxRequest ErrorBox(std::string text) {
    MessageBoxRequest request;
    request.title = "Sorvanta";
    request.text = std::move(text);
    request.icon = MbIcon::Error;
    return request;
}

} // namespace

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

void OpenFolder(std::string_view folder, FolderRole role, const TAppSettings& settings, Shell& shell,
                MessageBox& box) {
    if (folder.empty() || !FolderExists(folder)) {
        box.Show(ErrorBox(role == FolderRole::Source
                              ? "振り分け元フォルダが存在しないため、開けません･･･　"
                              : "振り分け先フォルダが存在しないため、開けません･･･　"));
        return;
    }
    const Status opened = settings.Filer && !settings.FilerProg.empty()
                              ? shell.StartProgram(settings.FilerProg, folder)
                              : shell.OpenFolder(folder);
    if (!opened.ok())
        box.Show(ErrorBox(opened.error()));
}

TUpDownLayout UpDownLayout(int listTop, int listHeight) {
    TUpDownLayout layout;
    layout.height = std::max(listHeight / 2 - 5, 0);
    layout.upTop = listTop;
    layout.downTop = listTop + layout.height + 11;
    return layout;
}

} // namespace sv
