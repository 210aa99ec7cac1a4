// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/option_form_logic.h"

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "store/condition.h"

#include <algorithm>

namespace sv {
namespace {

constexpr const char* kErrorTitle = "Sorvanta - オプション設定エラー";
constexpr const char* kConfirmTitle = "Sorvanta - 設定内容確認";
constexpr const char* kBadFolderChars = "/*?\"<>|";

std::string Native(const std::string& pathText) {
    return pathText.empty() ? std::string() : ToNativePath(pathText);
}

std::optional<long long> Number(const std::string& text, long long min, long long max) {
    const auto value = ParseInteger(text);
    if (!value || *value < min || *value > max)
        return std::nullopt;
    return value;
}

bool HasBadFolderChar(const std::string& native) {
    return FromNativePath(native).find_first_of(kBadFolderChars) != std::string::npos;
}

// Blanks trimmed, a run of trailing separators reduced to one; shown in native form again.
void TidyFolder(std::string& native) {
    native = Trim(native);
    if (native.empty())
        return;
    native = ToNativePath(NormaliseFolderPath(FromNativePath(native)));
}

// What is stored for a folder: no marker characters, no blanks or leading full-width spaces.
std::string StoredFolder(const std::string& native) {
    std::string text = FromNativePath(native);
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        const bool marker = (b >= 1 && b <= 8) || b == 16 || b == 17 || (b >= 19 && b <= 24) ||
                            std::string_view("*?|>\"</").find(c) != std::string_view::npos;
        if (!marker)
            out.push_back(c);
    }
    out = Trim(out);
    while (out.rfind("\u3000", 0) == 0)
        out.erase(0, std::string("\u3000").size());
    return out;
}

MessageBoxRequest Error(std::string text) {
    return {kErrorTitle, std::move(text), MbIcon::Warning, MbButtons::Ok, MbAnswer::Ok};
}

// A text the settings file would not give back as typed is refused before anything is stored.
std::optional<std::string> Unstorable(const std::string& text, const char* what) {
    if (const std::string bad = FirstUnstorableChar(text); !bad.empty())
        return "「" + bad + "」は保存できない文字（シフトJISにない文字）のため、" + what +
               "に使用できません。";
    if (Cp932Length(text) > ProfileFile::kMaxValueBytes)
        return std::string(what) + "が長すぎます。シフトJIS で 2047 バイトまでにしてください。";
    return std::nullopt;
}

} // namespace

TOptionForm OptionFormFrom(const TAppSettings& s) {
    TOptionForm f;
    f.sameSize = std::clamp(static_cast<int>(s.SameName0), 0, 3);
    f.notSameSize = std::clamp(static_cast<int>(s.SameName1), 0, 3);
    f.notExe = s.NotExe;
    f.notDouble = s.NotDouble;
    f.notClass = s.NotClass;
    f.doubtFolder = Native(s.DoubtFolder);
    f.ngKeyword = s.NgKeyword;
    f.notIncomplete = s.NotIncomplete;
    f.fileUsing = s.FileUsing;
    f.usingWait = std::to_string(s.FileUsingWait);
    f.rules = s.ExtRules;
    f.cycleExec = s.CycleExec;
    f.cycleExecTime = std::to_string(s.CycleExecTime);
    f.execAll = s.ExecAll;
    f.dustBox = s.DustBox;
    f.archiveAlarm = s.ArchiveAlarm;
    f.makeFolder = s.MakeFolder;
    f.startMin = s.StartMin;
    f.closeMin = s.CloseMin;
    f.execChkBox = s.ExecChkBox;
    f.readOnly = s.ReadOnly;
    f.fileComp = s.FileComp;
    f.histDel = s.HistDel;
    f.histMax = std::to_string(s.HistMax);
    f.watchSource = s.WatchSource;
    f.watchWait = std::to_string(s.WatchWait);
    f.ny = s.Ny;
    f.nyFolder = Native(s.NyFolder);
    f.filer = s.Filer;
    f.filerProg = Native(s.FilerProg);
    return f;
}

std::optional<TOptionRefusal> CheckOptions(TOptionForm& form, MessageBox& box,
                                           const std::function<bool(const std::string&)>& isExecutableFile,
                                           const std::function<void(const TOptionRefusal&)>& place) {
    // The user is taken to the page and the control first, then told what is wrong there.
    const auto ask = [&](const TOptionRefusal& where, const MessageBoxRequest& request) {
        if (place)
            place(where);
        return box.Show(request);
    };
    const auto refuse = [&](TOptionRefusal where, const MessageBoxRequest& request) {
        ask(where, request);
        return std::optional<TOptionRefusal>(std::move(where));
    };
    if (!Number(form.cycleExecTime, 1, 9999))
        return refuse({4, form.cycleExec ? "EditCycleExecTime" : ""},
                      Error("「その他1」の定周期実行時間は 1～9999 の整数を指定してください。"));
    if (!Number(form.watchWait, kMinWatchWait, kMaxWatchWait))
        return refuse({4, form.watchSource ? "EditWatchWait" : ""},
                      Error("「その他1」の監視の待ち時間は 1～3600 の整数（秒）を指定してください。"));
    if (!Number(form.histMax, 0, 99))
        return refuse({5, form.histDel ? "EditHistMax" : ""},
                      Error("「その他2」の振り分け履歴の保存件数は 0～99 の整数を指定してください。"));
    if (!Number(form.usingWait, kMinFileUsingWait, kMaxFileUsingWait))
        return refuse({2, form.fileUsing ? "EditUsingWait" : ""},
                      Error("「振り分けないファイル」の書き込み中か判別できないファイルの待ち時間は 1～1440 "
                            "の整数（分）を指定してください。"));
    const MessageBoxRequest m3{"Sorvanta",
                               "フォルダの設定で / * ? \" < > | を使用することはできません。\u3000",
                               MbIcon::Error, MbButtons::Ok, MbAnswer::Ok};
    if (HasBadFolderChar(form.doubtFolder)) {
        if (!form.notClass)
            return refuse({1, "EditDoubtFolder"}, m3);
    } else {
        TidyFolder(form.doubtFolder);
    }
    if (form.ny) {
        const TOptionRefusal winnyFolder{5, "EdWinnyFolder"};
        if (HasBadFolderChar(form.nyFolder))
            return refuse(winnyFolder, m3);
        const std::string winny = JoinPath(FromNativePath(Trim(form.nyFolder)), "winny.exe");
        const bool declined =
            !FileExists(winny) &&
            ask(winnyFolder, {kConfirmTitle, "指定したフォルダに Winny が存在しませんが、よろしいですか？",
                              MbIcon::Warning, MbButtons::YesNo, MbAnswer::Yes}) != MbAnswer::Yes;
        TidyFolder(form.nyFolder);
        if (declined)
            return winnyFolder;
    }
    if (form.filer) {
        const TOptionRefusal filer{5, "EdFiler"};
        // On Linux a file manager is any executable file, not an ".exe".
        const bool declined = !isExecutableFile(FromNativePath(Trim(form.filerProg))) &&
                              ask(filer, {kConfirmTitle, "指定したファイラが存在しませんが、よろしいですか？",
                                          MbIcon::Warning, MbButtons::YesNo, MbAnswer::Yes}) != MbAnswer::Yes;
        TidyFolder(form.filerProg);
        if (declined)
            return filer;
    }
    // Every text that will be stored must read back as typed.
    const std::tuple<const std::string*, const char*, int, const char*> texts[] = {
        {&form.doubtFolder, "怪しいファイルの振り分け先フォルダ", 1, "EditDoubtFolder"},
        {&form.ngKeyword, "NGキーワード", 2, "EditNG"},
        {&form.nyFolder, "Winnyがあるフォルダ", 5, "EdWinnyFolder"},
        {&form.filerProg, "ファイラ", 5, "EdFiler"},
    };
    for (const auto& [text, what, page, focus] : texts) {
        if (const auto message = Unstorable(*text, what))
            return refuse({page, focus}, {"Sorvanta", *message, MbIcon::Error, MbButtons::Ok, MbAnswer::Ok});
    }
    return std::nullopt;
}

void StoreOptions(const TOptionForm& f, TAppSettings& s) {
    s.SameName0 = static_cast<SameNameRule>(f.sameSize);
    s.SameName1 = static_cast<SameNameRule>(f.notSameSize);
    s.NotExe = f.notExe;
    s.NotDouble = f.notDouble;
    s.NotClass = f.notClass;
    s.DoubtFolder = StoredFolder(f.doubtFolder);
    std::string ng = f.ngKeyword;
    for (std::size_t pos; (pos = ng.find("\u3000")) != std::string::npos;)
        ng.replace(pos, std::string("\u3000").size(), " ");
    s.NgKeyword = Trim(ng);
    s.NotIncomplete = f.notIncomplete;
    s.FileUsing = f.fileUsing;
    s.FileUsingWait =
        static_cast<int>(Number(f.usingWait, kMinFileUsingWait, kMaxFileUsingWait).value_or(s.FileUsingWait));
    s.MakeFolder = f.makeFolder;
    s.CycleExec = f.cycleExec;
    s.CycleExecTime = static_cast<int>(Number(f.cycleExecTime, 1, 9999).value_or(s.CycleExecTime));
    s.ExecAll = f.execAll;
    s.DustBox = f.dustBox;
    s.StartMin = f.startMin;
    s.CloseMin = f.closeMin;
    s.ArchiveAlarm = f.archiveAlarm;
    s.FileComp = f.fileComp;
    s.HistDel = f.histDel;
    s.HistMax = static_cast<int>(Number(f.histMax, 0, 99).value_or(s.HistMax));
    s.ExecChkBox = f.execChkBox;
    s.ReadOnly = f.readOnly;
    s.WatchSource = f.watchSource;
    s.WatchWait = static_cast<int>(Number(f.watchWait, kMinWatchWait, kMaxWatchWait).value_or(s.WatchWait));
    // The rows go over in order, up to the first one with an empty text.
    s.ExtRules.clear();
    for (const TExtRule& rule : f.rules) {
        if (rule.ExtBefore.empty() || rule.ExtAfter.empty() || s.ExtRules.size() >= kMaxExtRules)
            break;
        s.ExtRules.push_back(rule);
    }
    s.Ny = f.ny;
    s.NyFolder = StoredFolder(f.nyFolder);
    s.Filer = f.filer;
    s.FilerProg = f.filerProg.empty() ? std::string() : FromNativePath(Trim(f.filerProg));
}

std::optional<std::size_t> InsertExtRule(std::vector<TExtRule>& rules, std::optional<std::size_t> selected,
                                         TExtRule rule) {
    if (rules.size() >= kMaxExtRules)
        return std::nullopt;
    const std::size_t at = std::min(selected.value_or(0), rules.size());
    rules.insert(rules.begin() + static_cast<std::ptrdiff_t>(at), std::move(rule));
    return at;
}

TExtRuleCheck CheckExtRule(std::string before, std::string after) {
    TExtRuleCheck check;
    before = Trim(before);
    after = Trim(after);
    const auto strip = [](std::string text) {
        while (!text.empty() && text.front() == '.')
            text.erase(0, 1);
        return text;
    };
    // A text of periods alone would be an empty extension: refused like an empty one.
    if (before.empty() || after.empty() || strip(before).empty() || strip(after).empty()) {
        check.message = "設定が不足しています。";
        check.focus = before.empty() || strip(before).empty() ? ExtRuleField::Before : ExtRuleField::After;
        return check;
    }
    constexpr const char* kBad = "\\/:*?\"<>|";
    const bool badBefore = before.find_first_of(kBad) != std::string::npos;
    if (badBefore || after.find_first_of(kBad) != std::string::npos) {
        check.message = "拡張子に、てゆーかファイル名に \\ / : * ? \" < > | は使えません。";
        check.focus = badBefore ? ExtRuleField::Before : ExtRuleField::After;
        return check;
    }
    for (const auto& [text, field] :
         {std::pair{&before, ExtRuleField::Before}, std::pair{&after, ExtRuleField::After}}) {
        if (const std::string bad = FirstUnstorableChar(*text); !bad.empty()) {
            check.message =
                "「" + bad + "」は保存できない文字（シフトJISにない文字）のため、拡張子に使用できません。";
            check.focus = field;
            return check;
        }
    }
    check.rule = TExtRule{strip(before), strip(after)};
    return check;
}

} // namespace sv
