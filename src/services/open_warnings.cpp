// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/open_warnings.h"

#include "platform/fileops.h"
#include "platform/files.h"
#include "platform/known_extensions.h"
#include "platform/pathtext.h"

#include <string>

namespace sv {
namespace {

constexpr std::string_view kWarningTitle = "Sorvanta - 危険 !?";

// The lower-cased extension of the last path component, period included.
std::string LowerExtension(std::string_view pathText) {
    const std::string_view name = LastComponent(pathText);
    const auto dot = name.rfind('.');
    std::string ext(dot == std::string_view::npos ? std::string_view() : name.substr(dot));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

MessageBoxRequest Warning(std::string text) {
    return {std::string(kWarningTitle), std::move(text), MbIcon::Warning, MbButtons::YesNo, MbAnswer::No};
}

} // namespace

MessageBoxRequest OpenQuestion(std::string_view pathText) {
    return {"Sorvanta", ToNativePath(pathText) + " を開きますか？", MbIcon::Question, MbButtons::YesNo,
            MbAnswer::Yes};
}

std::optional<MessageBoxRequest> OpenWarning(std::string_view pathText, bool archiveAlarm) {
    const std::string path = ToNativePath(pathText);
    const std::string ext = LowerExtension(pathText);
    if (ext == ".exe" || ext == ".com")
        return Warning(path + " は実行可能形式ファイルです。本当に開きますか？");
    if (archiveAlarm && (ext == ".lzh" || ext == ".zip" || ext == ".rar"))
        return Warning(path + " は圧縮ファイルです。本当に開きますか？");
    if (ext == ".folder")
        return Warning(path + " の拡張子は「.folder」です。ちょっと危険なニオイがします。" +
                       " 余計なお世話ですが本当に開きますか？");
    if (CountKnownExtensions(pathText) >= 2)
        return Warning(path + " は二重拡張子ファイルです。本当に開きますか？");
    return std::nullopt;
}

MessageBoxRequest OpenFailureMessage(OpenFailure failure) {
    MessageBoxRequest request{
        "Sorvanta - ファイルオープンエラー", {}, MbIcon::Error, MbButtons::Ok, MbAnswer::Ok};
    switch (failure) {
    case OpenFailure::NotFound:
        request.text = "ファイルが見つかりません。";
        break;
    case OpenFailure::NoAssociation:
        request.text = "関連付けされたアプリケーションが見つかりません。";
        break;
    case OpenFailure::Other:
        request.text = "ファイルを開けません。申し訳ありませんが原因は自分で考えて下さい・・・。";
        break;
    }
    return request;
}

OpenResult OpenWithWarnings(std::string_view pathText, bool archiveAlarm, Shell& shell, MessageBox& box) {
    if (box.Show(OpenQuestion(pathText)) != MbAnswer::Yes)
        return OpenResult::Declined;
    if (const auto warning = OpenWarning(pathText, archiveAlarm);
        warning && box.Show(*warning) != MbAnswer::Yes)
        return OpenResult::Declined;

    return OpenWithoutQuestions(pathText, shell, box);
}

OpenResult OpenWithoutQuestions(std::string_view pathText, Shell& shell, MessageBox& box) {
    std::optional<OpenFailure> failure;
    if (!Exists(pathText))
        failure = OpenFailure::NotFound;
    else if (!CanOpenForReading(pathText))
        failure = OpenFailure::Other;
    else if (!shell.OpenFile(pathText).ok())
        failure = OpenFailure::NoAssociation;
    if (!failure)
        return OpenResult::Opened;
    box.Show(OpenFailureMessage(*failure));
    return OpenResult::Failed;
}

} // namespace sv
