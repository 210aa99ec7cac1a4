// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/condition_form_logic.h"

#include "engine/keywords.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "store/condition_text.h"

#include <algorithm>
#include <cstdio>

namespace sv {
namespace {

constexpr std::string_view kHintTitle = "Sorvanta - 修正した方がいいかも･･･";
constexpr std::string_view kSizeError =
    "「その他の設定」のファイルサイズは 0～9999 の整数を指定してください。";
constexpr std::string_view kMissingInput = "入力が不足しています。";
constexpr std::string_view kBadFolderChar = "フォルダの指定に / : * ? \" < > | は使用できません。";
constexpr std::string_view kBackslashInFolder = "フォルダの指定に \\ （バックスラッシュ）は使用できません。";
constexpr std::string_view kControlInFolder = "フォルダの指定に制御文字は使用できません。";
static_assert(ProfileFile::kMaxValueBytes == 2047, "the refusal names the limit");
constexpr std::string_view kSlashesInKeyword =
    "キーワードに「//」は使用できません。\n「//"
    "」より後ろは設定名として読み込まれるため、キーワードが変わってしまいます。";
constexpr std::string_view kOnlyExclusion =
    "除外キーワードしか設定されていないため、このまま振り分け条件を保存しても振り"
    "分け処理が実行されません。よろしいですか？";
constexpr std::string_view kRegisterDefault =
    "振り分け条件を追加する際、現在の設定内容を適用します。よろしいですか？";

// Stands in for a destination not typed yet: a folder below the root that no one makes, so that no
// source is taken for its own destination.
constexpr std::string_view kNoDestinationYet = "\\sorvanta-no-destination-yet";
constexpr std::string_view kCountError =
    "「その他の設定」のタイムスタンプの期間は 0～99 の整数を指定してください。";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

TSizeRow OpenSizeRow(const TSizeLimit& limit) {
    TSizeRow row;
    row.on = limit.on;
    const auto size = SizeNumber(limit.sizeText);
    row.text = size ? std::to_string(*size) : "10";
    // A unit or relation out of range would be written back as a character that is not a digit.
    const int unit = static_cast<int>(limit.unit);
    const int relation = static_cast<int>(limit.relation);
    row.unit = unit <= 2 ? unit : 2;
    row.relation = relation <= 2 ? relation : 2;
    return row;
}

TCloseResult Refuse(MessageBox& box, std::string_view text, CondControl focus) {
    Tell(box, kEditorErrorTitle, text, MbIcon::Warning);
    return {std::nullopt, focus};
}

std::optional<int> ValidSize(const TSizeRow& row) {
    const auto value = ParseInteger(row.text);
    if (!value || *value < 0 || *value > 9999)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<int> ValidCount(const TAgeLimitRow& row) {
    const auto value = ParseInteger(row.count);
    if (!value || *value < 0 || *value > 99)
        return std::nullopt;
    return static_cast<int>(*value);
}

// The numbers of the ticked rows, in the order of the pages: what OK refuses first.
std::optional<std::pair<std::string_view, CondControl>> NumberFault(const TCondForm& form) {
    if (form.size1.on && !ValidSize(form.size1))
        return std::pair{kSizeError, CondControl::EditSize1};
    if (form.size2.on && !ValidSize(form.size2))
        return std::pair{kSizeError, CondControl::EditSize2};
    if (form.ageLimits[0].on && !ValidCount(form.ageLimits[0]))
        return std::pair{kCountError, CondControl::EditTimeLimit1};
    if (form.ageLimits[1].on && !ValidCount(form.ageLimits[1]))
        return std::pair{kCountError, CondControl::EditTimeLimit2};
    return std::nullopt;
}

std::string UnencodableMessage(std::string_view what, const std::string& ch) {
    return "「" + ch + "」は保存できない文字（シフトJISにない文字）のため、" + std::string(what) +
           "に使用できません。";
}

// What the editor says about a text the store would not keep as it is; empty when it would.
std::string FaultMessage(const TTextCheck& check, std::string_view what, bool folder) {
    switch (check.fault) {
    case TextFault::None:
        return {};
    case TextFault::ControlChar:
        return folder ? std::string(kControlInFolder) : std::string(what) + "に制御文字は使用できません。";
    case TextFault::FolderMarker:
        return std::string(kBadFolderChar);
    case TextFault::DoubleSlash:
        return std::string(kSlashesInKeyword);
    case TextFault::Unstorable:
        return UnencodableMessage(what, check.character);
    case TextFault::TooLong:
        return std::string(kFolderTooLong);
    }
    return {};
}

// The reason a folder text (native form) cannot be stored, empty when it can.
std::string FolderTextFault(std::string_view native, std::string_view what) {
    const std::string pathText = FromNativePath(native);
    if (std::string message = FaultMessage(CheckFolderText(pathText), what, true); !message.empty())
        return message;
    // On Linux a typed backslash would turn into a folder separator once stored.
    if (ToNativePath(pathText) != native)
        return std::string(kBackslashInFolder);
    return {};
}

// The checks shared by OK and the default registration: what could not be stored as typed, by
// the same checks the import makes. Returns the refusal, already shown, or nothing when
// everything can be stored.
std::optional<TCloseResult> CheckStorable(const TCondForm& form, MessageBox& box) {
    if (const auto fault = FaultMessage(CheckKeywordText(form.keywordText), "キーワード", false);
        !fault.empty())
        return Refuse(box, fault, CondControl::EditKeyword);
    if (!form.sourceText.empty()) {
        if (const auto fault = FolderTextFault(form.sourceText, "振り分け元フォルダ"); !fault.empty())
            return Refuse(box, fault, CondControl::EdSource);
    }
    if (const auto fault = FolderTextFault(form.destText, "振り分け先フォルダ"); !fault.empty())
        return Refuse(box, fault, CondControl::EditDest);
    if (const auto fault = FaultMessage(CheckSettingNameText(form.settingName), "設定名", false);
        !fault.empty())
        return Refuse(box, fault, CondControl::EditComment);
    return std::nullopt;
}

TConditionFields FieldsOf(const TCondForm& form) {
    TConditionFields f;
    f.checked = form.checked;
    f.settingName = form.settingName;
    f.ownSource = form.ownSource;
    f.sourceFolder = FromNativePath(form.sourceText);
    f.subFolders = form.subFolders;
    f.keywordOr = form.keywordOr;
    f.excludeOr = form.excludeOr;
    f.keywords = form.keywordText;
    // A keyword text ending in "/" would run into the "//" before the name and move the split.
    if (!form.settingName.empty() && !TrimRight(form.keywordText).empty() &&
        TrimRight(form.keywordText).back() == '/')
        f.keywords = TrimRight(form.keywordText) + " ";
    f.copyMode = form.copyMode;
    f.showOther = form.showOther;
    f.caseFold = form.caseFold;
    f.widthFold = form.widthFold;
    f.kanaFold = form.kanaFold;
    f.compareOff = form.compareOff;
    f.historyOff = form.historyOff;
    f.extChangeOff = form.extChangeOff;
    f.includeFolders = form.includeFolders;
    f.onlyFolders = form.onlyFolders && !form.includeFolders;
    for (auto [row, limit] : {std::pair{&form.size1, &f.size1}, std::pair{&form.size2, &f.size2}}) {
        limit->on = row->on;
        // Stored as typed ("05" stays "05", right-aligned in its block), as other installations
        // write it; the checks before made sure it is a number from 0 to 9999.
        limit->sizeText = Trim(row->text);
        limit->unit = static_cast<SizeUnit>(row->unit);
        limit->relation = static_cast<SizeRelation>(row->relation);
    }
    f.timestampFolder = form.timestampFolder;
    f.patternCode = PatternCode(form.pattern);
    for (std::size_t i = 0; i < 2; ++i) {
        const TDateLimitRow& date = form.dateLimits[i];
        f.dateLimits[i] = {date.on, date.year, date.month, date.day, static_cast<TimeSide>(date.relation)};
        const TAgeLimitRow& age = form.ageLimits[i];
        // An unticked row's count is not stored, so a count OK would refuse does not matter there.
        f.ageLimits[i] = {age.on, ValidCount(age).value_or(1), static_cast<AgeTerm>(age.term),
                          static_cast<TimeSide>(age.relation)};
    }
    return f;
}

} // namespace

std::vector<std::string> MainSourceFolders(const TAppSettings& settings, const std::string& boxText) {
    if (settings.ExecAll)
        return settings.SourceHistory;
    return {boxText};
}

CondEditRequest AddConditionRequest(const TAppSettings& settings) {
    CondEditRequest request;
    request.caption = std::string(kAddCaption);
    request.keywordText = settings.DefKeyword;
    request.destText = settings.DefDestFolder;
    request.settingName = settings.DefComment;
    request.checked = true;
    request.extRulesExist = !settings.ExtRules.empty();
    request.fileCompOn = settings.FileComp;
    request.options = settings;
    request.mainFolders = MainSourceFolders(settings, settings.Source);
    return request;
}

CondEditRequest EditConditionRequest(const TSortCondition& stored, bool rowChecked,
                                     const TAppSettings& settings) {
    CondEditRequest request;
    request.caption = std::string(kEditCaption);
    request.keywordText = stored.keywordText;
    request.destText = stored.destText;
    request.settingName = SettingName(stored.keywordText);
    request.checked = rowChecked;
    request.extRulesExist = !settings.ExtRules.empty();
    request.fileCompOn = settings.FileComp;
    request.options = settings;
    request.mainFolders = MainSourceFolders(settings, settings.Source);
    return request;
}

void ApplyDefault(const TDefaultCondition& def, TAppSettings& settings) {
    settings.DefKeyword = def.keyword;
    settings.DefDestFolder = def.destText;
    settings.DefComment = def.comment;
}

TCondForm OpenForm(const CondEditRequest& request) {
    TCondForm form;
    form.caption = request.caption;
    form.checked = request.checked;
    form.extRulesExist = request.extRulesExist;
    form.fileCompOn = request.fileCompOn;
    const TConditionFields f = DecodeCondition({request.keywordText, request.destText});
    form.keywordText = f.keywords;
    form.settingName = request.settingName;
    form.destText = ToNativePath(f.destFolder);
    form.sourceText = ToNativePath(f.sourceFolder);
    form.ownSource = f.ownSource;
    form.keywordOr = f.keywordOr;
    form.excludeOr = f.excludeOr;
    form.subFolders = f.subFolders;
    form.widthFold = f.widthFold;
    form.caseFold = f.caseFold;
    form.extChangeOff = f.extChangeOff;
    form.historyOff = f.historyOff;
    form.compareOff = f.compareOff;
    form.showOther = f.showOther;
    form.includeFolders = f.includeFolders;
    form.copyMode = f.copyMode;
    form.kanaFold = f.kanaFold;
    form.size1 = OpenSizeRow(f.size1);
    form.size2 = OpenSizeRow(f.size2);
    form.timestampFolder = f.timestampFolder;
    form.pattern = PatternIndexes(f.patternCode);
    // Ticking one of the two folder boxes unticks the other, so "folders only" wins when both
    // markers were stored.
    form.onlyFolders = f.onlyFolders;
    if (form.onlyFolders)
        form.includeFolders = false;
    for (std::size_t i = 0; i < 2; ++i) {
        const TDateLimit& date = f.dateLimits[i];
        form.dateLimits[i] = {date.on, date.year, date.month, date.day, static_cast<int>(date.relation)};
        const TAgeLimit& age = f.ageLimits[i];
        form.ageLimits[i] = {age.on, std::to_string(age.count), static_cast<int>(age.term),
                             static_cast<int>(age.relation)};
    }
    return form;
}

std::array<int, 9> PatternIndexes(std::string_view code) {
    if (code.size() != 9 || !std::all_of(code.begin(), code.end(), IsDigit))
        code = kDefaultPattern;
    std::array<int, 9> indexes{};
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        const int index = code[i] - '1';
        indexes[i] = index >= 0 && index < kPatternItemCounts[i] ? index : 0;
    }
    return indexes;
}

std::string PatternCode(const std::array<int, 9>& indexes) {
    std::string code;
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        const bool valid = indexes[i] >= 0 && indexes[i] < kPatternItemCounts[i];
        code.push_back(static_cast<char>('1' + (valid ? indexes[i] : 0)));
    }
    return code;
}

TPatternPreview BuildPatternPreview(const std::array<int, 9>& indexes, const TSampleTime& sample) {
    const auto two = [](int value) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "%02d", value % 100);
        return std::string(buffer);
    };
    TPatternPreview out;
    out.path = "（振り分け先フォルダ）\\";
    const auto separator = [&out](int index) {
        switch (index) {
        case 1:
            out.path += "-";
            out.code += "2";
            break;
        case 2:
            out.path += "_";
            out.code += "3";
            break;
        case 3:
            if (out.path.back() != '\\')
                out.path += "\\";
            out.code += "4";
            break;
        default:
            out.code += "1";
        }
    };
    const auto part = [&out](int index, const std::string& text) {
        if (index == 1) {
            out.path += text;
            out.code += "2";
        } else {
            out.code += "1";
        }
    };
    if (indexes[0] == 1) {
        out.path += two(sample.year);
        out.code += "2";
    } else if (indexes[0] == 2) {
        out.path += std::to_string(sample.year);
        out.code += "3";
    } else {
        out.code += "1";
    }
    separator(indexes[1]);
    part(indexes[2], two(sample.month));
    separator(indexes[3]);
    part(indexes[4], two(sample.day));
    separator(indexes[5]);
    part(indexes[6], two(sample.hour));
    separator(indexes[7]);
    part(indexes[8], two(sample.minute));
    if (out.path.back() != '\\')
        out.path += "\\";
    return out;
}

bool AcceptsEdit(std::string_view before, std::string_view after, std::size_t maxBytes) {
    const std::size_t length = Cp932Length(after);
    return length <= maxBytes || length <= Cp932Length(before);
}

TLimitedEdit LimitEdit(std::string_view before, std::string_view after, std::size_t maxBytes) {
    const auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    while (prefix > 0 && prefix < after.size() && continuation(after[prefix]))
        --prefix;
    std::size_t suffix = 0;
    const std::size_t room = std::min(before.size(), after.size()) - prefix;
    while (suffix < room && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    while (suffix > 0 && continuation(after[after.size() - suffix]))
        --suffix;
    if (AcceptsEdit(before, after, maxBytes))
        return {std::string(after), after.size() - suffix};

    const std::string_view head = after.substr(0, prefix);
    const std::string_view tail = after.substr(after.size() - suffix);
    const std::size_t kept = Cp932Length(head) + Cp932Length(tail);
    if (kept >= maxBytes)
        return {std::string(before), prefix};
    const std::string inserted =
        Cp932Truncate(after.substr(prefix, after.size() - suffix - prefix), maxBytes - kept);
    return {std::string(head) + inserted + std::string(tail), prefix + inserted.size()};
}

void NormaliseFolderTexts(TCondForm& form) {
    for (std::string* text : {&form.sourceText, &form.destText}) {
        const std::string pathText = FromNativePath(*text);
        // A text that has no path-text form is left for the checks to refuse, not rewritten.
        *text = ToNativePath(pathText) == *text ? ToNativePath(NormaliseFolderPath(pathText)) : Trim(*text);
    }
}

TCloseResult CheckAndCompose(const TCondForm& form, MessageBox& box, FileSystem& files) {
    if (const auto fault = NumberFault(form))
        return Refuse(box, fault->first, fault->second);

    if (form.keywordText.empty() || form.destText.empty() || (form.ownSource && form.sourceText.empty())) {
        const CondControl focus = form.keywordText.empty() ? CondControl::EditKeyword
                                  : form.destText.empty()  ? CondControl::EditDest
                                                           : CondControl::EdSource;
        return Refuse(box, kMissingInput, focus);
    }
    // Checked before the question below, so that nobody answers it only to be refused.
    if (form.keywordText.find("//") != std::string::npos)
        return Refuse(box, kSlashesInKeyword, CondControl::EditKeyword);

    const FoldFlags fold{form.kanaFold, form.widthFold, form.caseFold};
    if (ParseKeywords(Trim(form.keywordText), fold).sorting.empty() &&
        !Ask(box, kHintTitle, std::string(kOnlyExclusion), MbAnswer::No))
        return {std::nullopt, CondControl::EditKeyword};

    // The source text is stored whenever it is not empty, so it is checked whenever it is stored.
    if (auto refused = CheckStorable(form, box))
        return *refused;

    TConditionFields fields = FieldsOf(form);
    fields.destFolder = DecodeDestFolder(FromNativePath(form.destText));
    if (fields.destFolder.empty())
        return Refuse(box, kMissingInput, CondControl::EditDest);
    TSortCondition condition;
    if (const Status composed = ComposeCondition(fields, condition); !composed)
        return Refuse(box, composed.error(), CondControl::None);

    if (form.ownSource && !files.FolderExists(FromNativePath(form.sourceText)) &&
        !Ask(box, kHintTitle,
             "振り分け元フォルダ [ " + form.sourceText +
                 " ] "
                 "が存在しないため、このまま振り分け条件を保存しても振り分け処理は実行されません。よろしいで"
                 "すか？",
             MbAnswer::No))
        return {std::nullopt, CondControl::EdSource};
    return {std::move(condition), CondControl::None};
}

Status ComposeForm(const TCondForm& form, TSortCondition& out) {
    if (const auto fault = NumberFault(form))
        return Status::Fail(std::string(fault->first));
    TConditionFields fields = FieldsOf(form);
    // The name has no effect on what is taken; a text the store refuses would only stop the list.
    fields.settingName.clear();
    // Typed texts are checked as OK checks them, so that the list never shows what OK refuses.
    for (const auto& [text, what] : {std::pair{&form.destText, "振り分け先フォルダ"},
                                     std::pair{&form.sourceText, "振り分け元フォルダ"}}) {
        if (!text->empty())
            if (std::string fault = FolderTextFault(*text, what); !fault.empty())
                return Status::Fail(fault);
    }
    if (const auto fault = FaultMessage(CheckKeywordText(form.keywordText), "キーワード", false);
        !fault.empty())
        return Status::Fail(fault);
    fields.destFolder = DecodeDestFolder(FromNativePath(form.destText));
    if (fields.destFolder.empty())
        fields.destFolder = std::string(kNoDestinationYet);
    return ComposeCondition(fields, out);
}

std::optional<TDefaultCondition> BuildDefaultCondition(const TCondForm& form, MessageBox& box) {
    if (!Ask(box, "確認 - デフォルト登録", std::string(kRegisterDefault), MbAnswer::Yes))
        return std::nullopt;
    // Nothing is required of a default, but what it holds must read back as it was typed.
    if (const auto fault = NumberFault(form)) {
        Refuse(box, fault->first, fault->second);
        return std::nullopt;
    }
    if (CheckStorable(form, box))
        return std::nullopt;

    TConditionFields fields = FieldsOf(form);
    fields.keywords.clear();
    fields.settingName.clear();
    // The destination may be empty here; a placeholder stands in for it while packing and is
    // cut out again from its known place behind the check marker.
    const std::string dest = FromNativePath(form.destText);
    constexpr std::string_view kPlaceholder = "\\";
    fields.destFolder = dest.empty() ? std::string(kPlaceholder) : dest;
    TSortCondition packed;
    if (const Status composed = ComposeCondition(fields, packed); !composed) {
        Refuse(box, composed.error(), CondControl::None);
        return std::nullopt;
    }
    if (dest.empty())
        packed.destText.erase(form.checked ? 1 : 0, kPlaceholder.size());
    return TDefaultCondition{Trim(form.keywordText), packed.destText, form.settingName};
}

} // namespace sv
