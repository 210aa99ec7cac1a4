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
#include <limits>
#include <type_traits>
#include <utility>
#include <variant>

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

// The first of a list of folders has no number: "Source", "Source1", ...
std::string SourceKey(std::string_view key, std::size_t n) {
    return n == 0 ? std::string(key) : Numbered(key, n);
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

// ---- The key table ----

struct TBoolAccess final {
    bool (*get)(const TAppSettings&);
    void (*set)(TAppSettings&, bool);
};
struct TIntAccess final {
    int (*get)(const TAppSettings&);
    void (*set)(TAppSettings&, int);
};
struct TTextAccess final {
    const std::string& (*get)(const TAppSettings&);
    void (*set)(TAppSettings&, std::string);
};
struct TSettingKey;
struct TListAccess final {
    void (*load)(const ProfileFile&, const TSettingKey&, std::string_view folder, TAppSettings&);
    void (*save)(Writer&, const TSettingKey&, const TAppSettings&);
};

// One key of the settings file: where it lives, the member it holds (its type says how it is read
// and written; the member's initialiser is its default) and the rules of its value.
struct TSettingKey final {
    std::string_view section;
    std::string_view key;
    std::variant<TBoolAccess, TIntAccess, TTextAccess, TListAccess> access;
    // An integer read outside this range keeps the default: shortening or lengthening it to fit
    // is not safer.
    int min = std::numeric_limits<int>::min();
    int max = std::numeric_limits<int>::max();
    bool quoted = false;        // always written inside quotes
    std::string_view written{}; // written in place of the member
    bool readApart = false;     // read by a rule of its own (LoadListWidths)

    constexpr TSettingKey InRange(int low, int high) const {
        TSettingKey k = *this;
        k.min = low;
        k.max = high;
        return k;
    }
    constexpr TSettingKey AlwaysQuoted() const {
        TSettingKey k = *this;
        k.quoted = true;
        return k;
    }
    constexpr TSettingKey WrittenAs(std::string_view value) const {
        TSettingKey k = *this;
        k.written = value;
        return k;
    }
    constexpr TSettingKey ReadApart() const {
        TSettingKey k = *this;
        k.readApart = true;
        return k;
    }
};

template <auto Member> constexpr TSettingKey Key(std::string_view section, std::string_view key) {
    using T = std::remove_cvref_t<decltype(std::declval<TAppSettings&>().*Member)>;
    if constexpr (std::is_same_v<T, bool>) {
        return {section, key,
                TBoolAccess{[](const TAppSettings& s) { return s.*Member; },
                            [](TAppSettings& s, bool v) { s.*Member = v; }}};
    } else if constexpr (std::is_same_v<T, std::string>) {
        return {section, key,
                TTextAccess{[](const TAppSettings& s) -> const std::string& { return s.*Member; },
                            [](TAppSettings& s, std::string v) { s.*Member = std::move(v); }}};
    } else {
        // int, or an enumeration stored as its number
        return {section, key,
                TIntAccess{[](const TAppSettings& s) { return static_cast<int>(s.*Member); },
                           [](TAppSettings& s, int v) { s.*Member = static_cast<T>(v); }}};
    }
}

// One element of a member array, a key of its own ("HistoryListWidth0").
template <auto Array, std::size_t I>
constexpr TSettingKey Element(std::string_view section, std::string_view key) {
    return {section, key,
            TIntAccess{[](const TAppSettings& s) { return (s.*Array)[I]; },
                       [](TAppSettings& s, int v) { (s.*Array)[I] = v; }}};
}

constexpr TSettingKey List(std::string_view section, std::string_view key, TListAccess access) {
    return {section, key, access};
}

// ---- Numbered keys with rules of their own: how many there are and which are dropped ----

// Filled from the first empty slot on, so an empty Source leaves its place to the next entry.
void LoadSourceHistory(const ProfileFile& ini, const TSettingKey& k, std::string_view, TAppSettings& s) {
    std::vector<std::string> sources;
    for (std::size_t n = 0; n < kMaxSourceHistory; ++n) {
        std::string folderText = ini.ReadString(k.section, SourceKey(k.key, n), "");
        if (!folderText.empty())
            sources.push_back(std::move(folderText));
    }
    TSourceHistory tidy = TidySourceHistory(sources, "");
    s.SourceHistory = std::move(tidy.items);
    s.Source = std::move(tidy.text);
}

void SaveSourceHistory(Writer& w, const TSettingKey& k, const TAppSettings& s) {
    w.Text(k.section, SourceKey(k.key, 0), s.Source);
    for (std::size_t n = 1; n < kMaxSourceHistory; ++n) {
        w.Delete(k.section, SourceKey(k.key, n));
        if (n < s.SourceHistory.size() && !s.SourceHistory[n].empty())
            w.Text(k.section, SourceKey(k.key, n), s.SourceHistory[n]);
    }
}

// Beside each ExtBefore key; a rule counts only with both texts.
constexpr std::string_view kExtAfter = "ExtAfter";

void LoadExtRules(const ProfileFile& ini, const TSettingKey& k, std::string_view, TAppSettings& s) {
    for (std::size_t n = 0; n < kMaxExtRules; ++n) {
        TExtRule rule{ini.ReadString(k.section, Numbered(k.key, n), ""),
                      ini.ReadString(k.section, Numbered(kExtAfter, n), "")};
        if (!rule.ExtBefore.empty() && !rule.ExtAfter.empty())
            s.ExtRules.push_back(std::move(rule));
    }
}

void SaveExtRules(Writer& w, const TSettingKey& k, const TAppSettings& s) {
    for (std::size_t n = 0; n < kMaxExtRules; ++n) {
        w.Delete(k.section, Numbered(k.key, n));
        w.Delete(k.section, Numbered(kExtAfter, n));
        if (n < s.ExtRules.size() && !s.ExtRules[n].ExtBefore.empty() && !s.ExtRules[n].ExtAfter.empty()) {
            w.Text(k.section, Numbered(k.key, n), s.ExtRules[n].ExtBefore);
            w.Text(k.section, Numbered(kExtAfter, n), s.ExtRules[n].ExtAfter);
        }
    }
}

// The first of the recently used CSV files defaults to the one in the program's folder; empty
// entries are not written.
template <auto Files>
void LoadRecentFiles(const ProfileFile& ini, const TSettingKey& k, std::string_view folder, TAppSettings& s) {
    auto& files = s.*Files;
    for (std::size_t n = 0; n < kMaxRecentFiles; ++n)
        files[n] = ini.ReadString(k.section, Numbered(k.key, n), "");
    if (files[0].empty())
        files[0] = JoinPath(folder, kDefaultCsvFileName);
}

template <auto Files> void SaveRecentFiles(Writer& w, const TSettingKey& k, const TAppSettings& s) {
    for (std::size_t n = 0; n < kMaxRecentFiles; ++n) {
        w.Delete(k.section, Numbered(k.key, n));
        if (!(s.*Files)[n].empty())
            w.Text(k.section, Numbered(k.key, n), (s.*Files)[n]);
    }
}

using S = TAppSettings;

// Every key in the order a save writes it, which gives a new file its layout and a new key its
// place in its section.
constexpr std::array kSettingKeys{
    List(kPath, "Source", {LoadSourceHistory, SaveSourceHistory}),
    List(kExtChange, "ExtBefore", {LoadExtRules, SaveExtRules}),
    Element<&S::HistoryListWidth, 0>(kSize, "HistoryListWidth0"),
    Element<&S::HistoryListWidth, 1>(kSize, "HistoryListWidth1"),
    Element<&S::HistoryListWidth, 2>(kSize, "HistoryListWidth2"),
    Element<&S::HistoryListWidth, 3>(kSize, "HistoryListWidth3"),
    Element<&S::HistoryListWidth, 4>(kSize, "HistoryListWidth4"),
    Key<&S::FormWidth>(kSize, "FormWidth"),
    Key<&S::FormHeight>(kSize, "FormHeight"),
    Key<&S::FormLeft>(kSize, "FormLeft"),
    Key<&S::FormTop>(kSize, "FormTop"),
    Key<&S::ReportWidth>(kSize, "ReportWidth"),
    Key<&S::ReportHeight>(kSize, "ReportHeight"),
    Element<&S::ReportListWidth, 0>(kSize, "ReportListWidth0"),
    Element<&S::ReportListWidth, 1>(kSize, "ReportListWidth1"),
    Element<&S::ReportListWidth, 2>(kSize, "ReportListWidth2"),
    Key<&S::HistoryWidth>(kSize, "HistoryWidth"),
    Key<&S::HistoryHeight>(kSize, "HistoryHeight"),
    Element<&S::ListWidth, 0>(kSize, "ListWidth0").ReadApart(),
    Element<&S::ListWidth, 1>(kSize, "ListWidth1").ReadApart(),
    Element<&S::ListWidth, 2>(kSize, "ListWidth2").ReadApart(),
    Key<&S::SameName0>(kCondition, "SameName0"),
    Key<&S::SameName1>(kCondition, "SameName1"),
    Key<&S::NotExe>(kCondition, "NotExe"),
    Key<&S::NotDouble>(kCondition, "NotDouble"),
    Key<&S::NotClass>(kCondition, "NotClass"),
    Key<&S::DoubtFolder>(kCondition, "DoubtFolder"),
    Key<&S::NotIncomplete>(kCondition, "NotIncomplete"),
    Key<&S::NgKeyword>(kCondition, "NgKeyword"),
    Key<&S::HwndTop>(kWindowPos, "HwndTop"),
    // Added when the list got its name column, so written behind the others.
    Element<&S::ListWidth, 3>(kSize, "ListWidth3").ReadApart(),
    Key<&S::CycleExec>(kCondition, "CycleExec"),
    Key<&S::CycleExecTime>(kCondition, "CycleExecTime"),
    // Read as the version that wrote the file; a save always writes its own.
    Key<&S::SorvantaVer>(kVersion, "SorvantaVer").WrittenAs(kSettingsVersion),
    Key<&S::ExecAll>(kPath, "ExecAll"),
    Key<&S::DustBox>(kCondition, "DustBox"),
    Key<&S::StartMin>(kCondition, "StartMin"),
    Key<&S::CloseMin>(kCondition, "CloseMin"),
    Key<&S::ArchiveAlarm>(kCondition, "ArchiveAlarm"),
    Key<&S::FileComp>(kCondition, "FileComp"),
    Key<&S::HistDel>(kCondition, "HistDel"),
    Key<&S::HistMax>(kCondition, "HistMax"),
    Key<&S::Ny>(kCondition, "Ny"),
    Key<&S::NyFolder>(kCondition, "NyFolder"),
    Key<&S::FileUsing>(kCondition, "FileUsing"),
    Key<&S::FileUsingWait>(kCondition, "FileUsingWait").InRange(kMinFileUsingWait, kMaxFileUsingWait),
    Key<&S::MakeFolder>(kCondition, "MakeFolder"),
    Key<&S::Filer>(kCondition, "Filer"),
    Key<&S::FilerProg>(kCondition, "FilerProg"),
    Key<&S::DefKeyword>(kDefault, "DefKeyword"),
    // A coded destination text may begin with a marker character or a blank.
    Key<&S::DefDestFolder>(kDefault, "DefDestFolder").AlwaysQuoted(),
    Key<&S::DefComment>(kDefault, "DefComment"),
    Key<&S::ExecChkBox>(kCondition, "ExecChkBox"),
    Key<&S::ReadOnly>(kCondition, "ReadOnly"),
    Key<&S::WatchSource>(kCondition, "WatchSource"),
    Key<&S::WatchWait>(kCondition, "WatchWait"),
    List(kPath, "ExpFile", {LoadRecentFiles<&S::ExpFile>, SaveRecentFiles<&S::ExpFile>}),
    List(kPath, "ImpFile", {LoadRecentFiles<&S::ImpFile>, SaveRecentFiles<&S::ImpFile>}),
    Key<&S::ImpIndex>(kPath, "ImpIndex"),
};

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

void LoadKey(const TSettingKey& k, const ProfileFile& ini, std::string_view folder, TAppSettings& s) {
    std::visit(Overloaded{
                   [&](const TBoolAccess& a) { a.set(s, ini.ReadBool(k.section, k.key, a.get(s))); },
                   [&](const TIntAccess& a) {
                       const int value = ini.ReadInteger(k.section, k.key, a.get(s));
                       if (value >= k.min && value <= k.max)
                           a.set(s, value);
                   },
                   [&](const TTextAccess& a) { a.set(s, ini.ReadString(k.section, k.key, a.get(s))); },
                   [&](const TListAccess& a) { a.load(ini, k, folder, s); },
               },
               k.access);
}

void SaveKey(const TSettingKey& k, Writer& w, const TAppSettings& s) {
    std::visit(Overloaded{
                   [&](const TBoolAccess& a) { w.Bool(k.section, k.key, a.get(s)); },
                   [&](const TIntAccess& a) { w.Int(k.section, k.key, a.get(s)); },
                   [&](const TTextAccess& a) {
                       const std::string_view value = k.written.empty() ? a.get(s) : k.written;
                       if (k.quoted)
                           w.Quoted(k.section, k.key, value);
                       else
                           w.Text(k.section, k.key, value);
                   },
                   [&](const TListAccess& a) { a.save(w, k, s); },
               },
               k.access);
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
    for (const TSettingKey& key : kSettingKeys) {
        if (!key.readApart)
            LoadKey(key, ini, folder, s);
    }
    LoadListWidths(ini, s);

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
    for (const TSettingKey& key : kSettingKeys)
        SaveKey(key, w, s);

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
