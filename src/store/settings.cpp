// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/settings.h"

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "store/condition.h"
#include "store/condition_file.h"

#include <algorithm>
#include <functional>

namespace sv {
namespace {

constexpr std::string_view kHistoryFileName = "History.dat";

constexpr std::string_view kPath = "Path";
constexpr std::string_view kExtChange = "ExtChange";
constexpr std::string_view kSize = "Size";
constexpr std::string_view kCondition = "Condition";
constexpr std::string_view kWindowPos = "WindowPos";
constexpr std::string_view kVersion = "Version";
constexpr std::string_view kDefault = "Default";

// Versions before this stored the history and result columns in another order.
constexpr int kColumnOrderVersion = 130;

std::string Numbered(std::string_view key, std::size_t n) {
    return std::string(key) + std::to_string(n);
}

std::string SourceKey(std::size_t n) {
    return n == 0 ? std::string("Source") : Numbered("Source", n);
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// Reading trims blanks and strips one enclosing pair of quotes; such a value is written inside
// quotes so that it reads back as it was.
std::string Protected(std::string_view value) {
    const bool needsQuotes =
        !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                           (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
    return needsQuotes ? "\"" + std::string(value) + "\"" : std::string(value);
}

// Collects the writes of one save and keeps the first failure.
class Writer final {
public:
    explicit Writer(ProfileFile& profile) : m_profile(profile) {}

    void Text(std::string_view section, std::string_view key, std::string_view value) {
        Keep(m_profile.WriteString(section, key, Protected(value)));
    }
    void Quoted(std::string_view section, std::string_view key, std::string_view value) {
        Keep(m_profile.WriteString(section, key, "\"" + std::string(value) + "\""));
    }
    void Int(std::string_view section, std::string_view key, int value) {
        Keep(m_profile.WriteInteger(section, key, value));
    }
    void Bool(std::string_view section, std::string_view key, bool value) {
        Keep(m_profile.WriteBool(section, key, value));
    }
    void Delete(std::string_view section, std::string_view key) { m_profile.DeleteKey(section, key); }

    const Status& status() const { return m_status; }

private:
    void Keep(Status s) {
        if (m_status.ok() && !s.ok())
            m_status = std::move(s);
    }

    ProfileFile& m_profile;
    Status m_status;
};

void LoadListWidths(const ProfileFile& ini, TAppSettings& s) {
    const TAppSettings defaults;
    if (!ini.KeyExists(kSize, "ListWidth0")) {
        s.ListWidth = defaults.ListWidth;
        return;
    }
    if (!ini.KeyExists(kSize, "ListWidth3")) {
        // Written when the list had no name column: its three widths belong one column further right.
        s.ListWidth[0] = defaults.ListWidth[0];
        for (std::size_t i = 1; i < s.ListWidth.size(); ++i)
            s.ListWidth[i] = ini.ReadInteger(kSize, Numbered("ListWidth", i - 1), defaults.ListWidth[i]);
        return;
    }
    for (std::size_t i = 0; i < s.ListWidth.size(); ++i)
        s.ListWidth[i] = ini.ReadInteger(kSize, Numbered("ListWidth", i), defaults.ListWidth[i]);
}

} // namespace

TSourceHistory TidySourceHistory(const std::vector<std::string>& history, std::string_view comboText) {
    std::vector<std::string> entries;
    const std::string text = NormaliseFolderPath(comboText);
    if (!text.empty())
        entries.push_back(text);
    for (const std::string& entry : history) {
        std::string folder = NormaliseFolderPath(entry);
        if (!folder.empty())
            entries.push_back(std::move(folder));
    }
    TSourceHistory result;
    for (std::string& entry : entries) {
        if (result.items.size() == kMaxSourceHistory)
            break;
        if (std::find(result.items.begin(), result.items.end(), entry) == result.items.end())
            result.items.push_back(std::move(entry));
    }
    if (!result.items.empty())
        result.text = result.items.front();
    return result;
}

int SettingsVersionNumber(std::string_view sorvantaVer) {
    // Four bytes stand for four characters: a text with anything beyond ASCII is no number anyway.
    const std::string text = Trim(sorvantaVer.substr(0, 4));
    int whole = 0;
    int hundredths = 0;
    int fractionDigits = 0;
    bool point = false;
    bool digit = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digit = true;
            if (!point) {
                whole = whole * 10 + (c - '0');
            } else if (fractionDigits < 2) {
                hundredths += (c - '0') * (fractionDigits == 0 ? 10 : 1);
                ++fractionDigits;
            }
        } else {
            return 0;
        }
    }
    return digit ? whole * 100 + hundredths : 0;
}

TAppSettings LoadSettings(std::string_view folder, std::string_view iniFileName) {
    const ProfileFile ini = ProfileFile::Load(JoinPath(folder, iniFileName));
    TAppSettings s;

    // Filled from the first empty slot on, so an empty Source leaves its place to the next entry.
    std::vector<std::string> sources;
    for (std::size_t n = 0; n < kMaxSourceHistory; ++n) {
        std::string folderText = ini.ReadString(kPath, SourceKey(n), "");
        if (!folderText.empty())
            sources.push_back(std::move(folderText));
    }
    TSourceHistory tidy = TidySourceHistory(sources, "");
    s.SourceHistory = std::move(tidy.items);
    s.Source = std::move(tidy.text);

    for (std::size_t n = 0; n < kMaxExtRules; ++n) {
        TExtRule rule{ini.ReadString(kExtChange, Numbered("ExtBefore", n), ""),
                      ini.ReadString(kExtChange, Numbered("ExtAfter", n), "")};
        if (!rule.ExtBefore.empty() && !rule.ExtAfter.empty())
            s.ExtRules.push_back(std::move(rule));
    }

    s.ExecAll = ini.ReadBool(kPath, "ExecAll", s.ExecAll);
    s.ImpIndex = ini.ReadInteger(kPath, "ImpIndex", s.ImpIndex);
    s.FormWidth = ini.ReadInteger(kSize, "FormWidth", s.FormWidth);
    s.FormHeight = ini.ReadInteger(kSize, "FormHeight", s.FormHeight);
    s.FormLeft = ini.ReadInteger(kSize, "FormLeft", s.FormLeft);
    s.FormTop = ini.ReadInteger(kSize, "FormTop", s.FormTop);
    s.ReportWidth = ini.ReadInteger(kSize, "ReportWidth", s.ReportWidth);
    s.ReportHeight = ini.ReadInteger(kSize, "ReportHeight", s.ReportHeight);
    for (std::size_t i = 0; i < s.ReportListWidth.size(); ++i)
        s.ReportListWidth[i] = ini.ReadInteger(kSize, Numbered("ReportListWidth", i), s.ReportListWidth[i]);
    s.HistoryWidth = ini.ReadInteger(kSize, "HistoryWidth", s.HistoryWidth);
    s.HistoryHeight = ini.ReadInteger(kSize, "HistoryHeight", s.HistoryHeight);
    for (std::size_t i = 0; i < s.HistoryListWidth.size(); ++i)
        s.HistoryListWidth[i] =
            ini.ReadInteger(kSize, Numbered("HistoryListWidth", i), s.HistoryListWidth[i]);

    s.SameName0 = static_cast<SameNameRule>(ini.ReadInteger(kCondition, "SameName0", static_cast<int>(s.SameName0)));
    s.SameName1 = static_cast<SameNameRule>(ini.ReadInteger(kCondition, "SameName1", static_cast<int>(s.SameName1)));
    s.NotExe = ini.ReadBool(kCondition, "NotExe", s.NotExe);
    s.NotDouble = ini.ReadBool(kCondition, "NotDouble", s.NotDouble);
    s.NotClass = ini.ReadBool(kCondition, "NotClass", s.NotClass);
    s.DoubtFolder = ini.ReadString(kCondition, "DoubtFolder", s.DoubtFolder);
    s.NotIncomplete = ini.ReadBool(kCondition, "NotIncomplete", s.NotIncomplete);
    s.NgKeyword = ini.ReadString(kCondition, "NgKeyword", s.NgKeyword);
    s.CycleExec = ini.ReadBool(kCondition, "CycleExec", s.CycleExec);
    s.CycleExecTime = ini.ReadInteger(kCondition, "CycleExecTime", s.CycleExecTime);
    s.CloseMin = ini.ReadBool(kCondition, "CloseMin", s.CloseMin);
    s.DustBox = ini.ReadBool(kCondition, "DustBox", s.DustBox);
    s.StartMin = ini.ReadBool(kCondition, "StartMin", s.StartMin);
    s.ArchiveAlarm = ini.ReadBool(kCondition, "ArchiveAlarm", s.ArchiveAlarm);
    s.FileComp = ini.ReadBool(kCondition, "FileComp", s.FileComp);
    s.HistDel = ini.ReadBool(kCondition, "HistDel", s.HistDel);
    s.HistMax = ini.ReadInteger(kCondition, "HistMax", s.HistMax);
    s.Ny = ini.ReadBool(kCondition, "Ny", s.Ny);
    s.NyFolder = ini.ReadString(kCondition, "NyFolder", s.NyFolder);
    s.FileUsing = ini.ReadBool(kCondition, "FileUsing", s.FileUsing);
    // A wait outside its range is not shortened or lengthened to fit: the default is safer.
    if (const int wait = ini.ReadInteger(kCondition, "FileUsingWait", s.FileUsingWait);
        wait >= kMinFileUsingWait && wait <= kMaxFileUsingWait)
        s.FileUsingWait = wait;
    s.MakeFolder = ini.ReadBool(kCondition, "MakeFolder", s.MakeFolder);
    s.Filer = ini.ReadBool(kCondition, "Filer", s.Filer);
    s.FilerProg = ini.ReadString(kCondition, "FilerProg", s.FilerProg);
    s.ExecChkBox = ini.ReadBool(kCondition, "ExecChkBox", s.ExecChkBox);
    s.ReadOnly = ini.ReadBool(kCondition, "ReadOnly", s.ReadOnly);
    s.WatchSource = ini.ReadBool(kCondition, "WatchSource", s.WatchSource);
    s.WatchWait = ini.ReadInteger(kCondition, "WatchWait", s.WatchWait);
    s.HwndTop = ini.ReadBool(kWindowPos, "HwndTop", s.HwndTop);
    s.SorvantaVer = ini.ReadString(kVersion, "SorvantaVer", s.SorvantaVer);
    s.DefKeyword = ini.ReadString(kDefault, "DefKeyword", s.DefKeyword);
    s.DefDestFolder = ini.ReadString(kDefault, "DefDestFolder", s.DefDestFolder);
    s.DefComment = ini.ReadString(kDefault, "DefComment", s.DefComment);

    LoadListWidths(ini, s);

    for (std::size_t n = 0; n < kMaxRecentFiles; ++n) {
        s.ExpFile[n] = ini.ReadString(kPath, Numbered("ExpFile", n), "");
        s.ImpFile[n] = ini.ReadString(kPath, Numbered("ImpFile", n), "");
    }
    const std::string csv = JoinPath(folder, kDefaultCsvFileName);
    if (s.ExpFile[0].empty())
        s.ExpFile[0] = csv;
    if (s.ImpFile[0].empty())
        s.ImpFile[0] = csv;

    // Also applies to the defaults of a first start, whose version reads as 0.00.
    if (SettingsVersionNumber(s.SorvantaVer) < kColumnOrderVersion) {
        auto& h = s.HistoryListWidth;
        const std::array<int, 5> old = h;
        h[0] = old[2];
        h[2] = old[3];
        h[3] = old[0];
        std::swap(s.ReportListWidth[0], s.ReportListWidth[1]);
    }
    return s;
}

std::string SettingsFileDamage(std::string_view bytes) {
    const auto zero = bytes.find('\0');
    if (zero != std::string_view::npos && zero + 1 < bytes.size())
        return "途中に 0 のバイトがあり、その後ろの設定を読み込めませんでした";
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of(std::string_view("\r\n\0", 3), start);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        // CR and LF are never part of a code page 932 character; the value is counted in bytes.
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.size() > ProfileFile::kMaxValueBytes)
            return "2047 バイトより長い値を含んでいます（読み込むと切り詰められます）";
    }
    if (!IsExactCp932(bytes.substr(0, zero)))
        return std::string(kOtherCodesReason);
    return {};
}

TKeptAside KeepDamagedSettingsAside(std::string_view folder, std::string_view iniFileName) {
    const std::string path = JoinPath(folder, iniFileName);
    const FileRead read = ReadWholeFile(path);
    if (read.state != ReadState::Ok)
        return {};
    return KeepAsideFor(path, iniFileName, SettingsFileDamage(read.bytes));
}

void ClearDataFileReadOnly(std::string_view folder, std::string_view iniFileName) {
    for (const std::string_view name : {iniFileName, kConditionFileName, kHistoryFileName}) {
        const std::string path = JoinPath(folder, name);
        // Nothing to report at start: a save that still fails asks the user then.
        if (FileExists(path))
            static_cast<void>(ClearReadOnly(path));
    }
}

Status SaveSettings(std::string_view folder, std::string_view iniFileName, TAppSettings& s,
                    const TConditionList& conditions, TConditionFileWatch* watch) {
    const TSourceHistory tidy = TidySourceHistory(s.SourceHistory, s.Source);
    s.SourceHistory = tidy.items;
    s.Source = tidy.text;

    // Read afresh, so that keys this program does not know, and edits made since the start, stay.
    const std::string path = JoinPath(folder, iniFileName);
    ProfileFile ini = ProfileFile::Load(path);
    if (ini.state() == ReadState::Failed)
        return Status::Fail(ToNativePath(path) + " を読み込めないため、上書きしません。");
    // Lines this save rewrites take the preferred codes; so do the others, or the file would hold
    // one character in two forms and be copied aside again at every start. The start copied such
    // a file aside already (this finds that copy); one changed since is copied here.
    if (!ini.InPreferredCodes()) {
        const TKeptAside kept = KeepAsideFor(path, iniFileName, std::string(kOtherCodesReason));
        if (!kept.error.empty())
            return Status::Fail(kept.error);
        if (kept.Needed() && watch != nullptr)
            watch->keptAside = kept;
        ini.UsePreferredCodes();
    }
    Writer w(ini);

    w.Text(kPath, "Source", s.Source);
    for (std::size_t n = 1; n < kMaxSourceHistory; ++n) {
        w.Delete(kPath, SourceKey(n));
        if (n < s.SourceHistory.size() && !s.SourceHistory[n].empty())
            w.Text(kPath, SourceKey(n), s.SourceHistory[n]);
    }

    for (std::size_t n = 0; n < kMaxExtRules; ++n) {
        w.Delete(kExtChange, Numbered("ExtBefore", n));
        w.Delete(kExtChange, Numbered("ExtAfter", n));
        if (n < s.ExtRules.size() && !s.ExtRules[n].ExtBefore.empty() && !s.ExtRules[n].ExtAfter.empty()) {
            w.Text(kExtChange, Numbered("ExtBefore", n), s.ExtRules[n].ExtBefore);
            w.Text(kExtChange, Numbered("ExtAfter", n), s.ExtRules[n].ExtAfter);
        }
    }

    for (std::size_t i = 0; i < s.HistoryListWidth.size(); ++i)
        w.Int(kSize, Numbered("HistoryListWidth", i), s.HistoryListWidth[i]);
    w.Int(kSize, "FormWidth", s.FormWidth);
    w.Int(kSize, "FormHeight", s.FormHeight);
    w.Int(kSize, "FormLeft", s.FormLeft);
    w.Int(kSize, "FormTop", s.FormTop);
    w.Int(kSize, "ReportWidth", s.ReportWidth);
    w.Int(kSize, "ReportHeight", s.ReportHeight);
    for (std::size_t i = 0; i < s.ReportListWidth.size(); ++i)
        w.Int(kSize, Numbered("ReportListWidth", i), s.ReportListWidth[i]);
    w.Int(kSize, "HistoryWidth", s.HistoryWidth);
    w.Int(kSize, "HistoryHeight", s.HistoryHeight);
    for (std::size_t i = 0; i < 3; ++i)
        w.Int(kSize, Numbered("ListWidth", i), s.ListWidth[i]);

    w.Int(kCondition, "SameName0", static_cast<int>(s.SameName0));
    w.Int(kCondition, "SameName1", static_cast<int>(s.SameName1));
    w.Bool(kCondition, "NotExe", s.NotExe);
    w.Bool(kCondition, "NotDouble", s.NotDouble);
    w.Bool(kCondition, "NotClass", s.NotClass);
    w.Text(kCondition, "DoubtFolder", s.DoubtFolder);
    w.Bool(kCondition, "NotIncomplete", s.NotIncomplete);
    w.Text(kCondition, "NgKeyword", s.NgKeyword);
    w.Bool(kWindowPos, "HwndTop", s.HwndTop);
    w.Int(kSize, "ListWidth3", s.ListWidth[3]);
    w.Bool(kCondition, "CycleExec", s.CycleExec);
    w.Int(kCondition, "CycleExecTime", s.CycleExecTime);
    w.Text(kVersion, "SorvantaVer", kSettingsVersion);
    w.Bool(kPath, "ExecAll", s.ExecAll);
    w.Bool(kCondition, "DustBox", s.DustBox);
    w.Bool(kCondition, "StartMin", s.StartMin);
    w.Bool(kCondition, "CloseMin", s.CloseMin);
    w.Bool(kCondition, "ArchiveAlarm", s.ArchiveAlarm);
    w.Bool(kCondition, "FileComp", s.FileComp);
    w.Bool(kCondition, "HistDel", s.HistDel);
    w.Int(kCondition, "HistMax", s.HistMax);
    w.Bool(kCondition, "Ny", s.Ny);
    w.Text(kCondition, "NyFolder", s.NyFolder);
    w.Bool(kCondition, "FileUsing", s.FileUsing);
    w.Int(kCondition, "FileUsingWait", s.FileUsingWait);
    w.Bool(kCondition, "MakeFolder", s.MakeFolder);
    w.Bool(kCondition, "Filer", s.Filer);
    w.Text(kCondition, "FilerProg", s.FilerProg);

    w.Text(kDefault, "DefKeyword", s.DefKeyword);
    // Always quoted: a coded destination text may begin with a marker character or a blank.
    w.Quoted(kDefault, "DefDestFolder", s.DefDestFolder);
    w.Text(kDefault, "DefComment", s.DefComment);

    w.Bool(kCondition, "ExecChkBox", s.ExecChkBox);
    w.Bool(kCondition, "ReadOnly", s.ReadOnly);
    w.Bool(kCondition, "WatchSource", s.WatchSource);
    w.Int(kCondition, "WatchWait", s.WatchWait);

    for (std::size_t n = 0; n < kMaxRecentFiles; ++n) {
        w.Delete(kPath, Numbered("ExpFile", n));
        if (!s.ExpFile[n].empty())
            w.Text(kPath, Numbered("ExpFile", n), s.ExpFile[n]);
    }
    for (std::size_t n = 0; n < kMaxRecentFiles; ++n) {
        w.Delete(kPath, Numbered("ImpFile", n));
        if (!s.ImpFile[n].empty())
            w.Text(kPath, Numbered("ImpFile", n), s.ImpFile[n]);
    }
    w.Int(kPath, "ImpIndex", s.ImpIndex);

    if (!w.status().ok())
        return w.status();
    if (Status saved = ini.Save(); !saved)
        return saved;
    return SaveConditions(folder, conditions, watch);
}

Status WriteWithReadOnlyRetry(std::string_view folder, std::string_view iniFileName,
                              std::string_view failureText, MessageBox& box,
                              const std::function<Status()>& write) {
    for (;;) {
        Status written = write();
        if (written)
            return written;
        MessageBoxRequest request;
        request.title = "Sorvanta - ファイル書き込みエラー";
        request.text = std::string(failureText) + "読み取り専用属性を外して書き込みしてみましょうか？";
        request.icon = MbIcon::Error;
        request.buttons = MbButtons::YesNo;
        request.defaultButton = MbAnswer::Yes;
        if (box.Show(request) != MbAnswer::Yes)
            return written;
        ClearDataFileReadOnly(folder, iniFileName);
    }
}

bool SaveSettingsWithRetry(std::string_view folder, std::string_view iniFileName, TAppSettings& settings,
                           const TConditionList& conditions, MessageBox& box, TConditionFileWatch* watch) {
    return WriteWithReadOnlyRetry(
               folder, iniFileName, "設定保存用ファイルに書き込みできません。", box,
               [&] { return SaveSettings(folder, iniFileName, settings, conditions, watch); })
        .ok();
}

} // namespace sv
