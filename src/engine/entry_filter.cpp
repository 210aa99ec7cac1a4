// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/entry_filter.h"

#include "platform/pathtext.h"
#include "platform/text.h"

#include <algorithm>

namespace sv {
namespace {

constexpr std::int64_t kDay = 24 * 60 * 60;

// "_incomplete" anywhere in the name, ASCII case ignored, without building a lowered copy.
bool ContainsIncomplete(std::string_view name) {
    constexpr std::string_view kIncomplete = "_incomplete";
    for (auto pos = name.find('_'); pos != std::string_view::npos && name.size() - pos >= kIncomplete.size();
         pos = name.find('_', pos + 1)) {
        bool equal = true;
        for (std::size_t i = 1; i < kIncomplete.size() && equal; ++i) {
            char c = name[pos + i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            equal = c == kIncomplete[i];
        }
        if (equal)
            return true;
    }
    return false;
}

std::string ExtensionOf(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

// A size limit in bytes, or nothing when the limit is off or its size cannot be read.
std::optional<TSizeRule> SizeRuleOf(const TSizeLimit& limit) {
    if (!limit.on)
        return std::nullopt;
    const auto size = ParseInteger(Trim(limit.sizeText));
    if (!size || *size < 0)
        return std::nullopt;
    const std::uint64_t unit = limit.unit == SizeUnit::Bytes       ? 1
                               : limit.unit == SizeUnit::KiloBytes ? 1024
                                                                   : 1048576;
    return TSizeRule{static_cast<std::uint64_t>(*size) * unit, limit.relation};
}

bool SizeRuleHolds(const TSizeRule& rule, std::uint64_t size) {
    switch (rule.relation) {
    case SizeRelation::Exactly:
        return size == rule.bytes;
    case SizeRelation::AtMost:
        return size <= rule.bytes;
    default:
        return size >= rule.bytes;
    }
}

LocalDateTime MonthsBefore(LocalDateTime time, int months) {
    time.month -= months % 12;
    time.year -= months / 12;
    if (time.month < 1) {
        time.month += 12;
        --time.year;
    }
    time.day = std::min(time.day, DaysInMonth(time.year, time.month));
    return time;
}

} // namespace

std::vector<TTimeRule> TimeRulesOf(const TConditionFields& fields, const LocalDateTime& runStart) {
    std::vector<TTimeRule> rules;
    for (const TDateLimit& row : fields.dateLimits) {
        if (row.on)
            rules.push_back({EpochSeconds({row.year, row.month, row.day, 0, 0, 0}),
                             row.relation == TimeSide::AtOrBefore});
    }
    for (const TAgeLimit& row : fields.ageLimits) {
        if (!row.on)
            continue;
        std::int64_t moment = EpochSeconds(runStart);
        if (row.term == AgeTerm::Days)
            moment -= row.count * kDay;
        else if (row.term == AgeTerm::Weeks)
            moment -= row.count * 7 * kDay;
        else
            moment = EpochSeconds(MonthsBefore(runStart, row.count));
        rules.push_back({moment, row.relation == TimeSide::AtOrBefore});
    }
    return rules;
}

bool TimeRulesExclude(const std::vector<TTimeRule>& rules, const FileTime& lastWrite) {
    // FileTime keeps the seconds rounded down (a time before 1970 too), so the fraction drops here.
    const std::int64_t t = lastWrite.seconds;
    return std::any_of(rules.begin(), rules.end(), [t](const TTimeRule& rule) {
        return rule.before ? t <= rule.moment : t >= rule.moment;
    });
}

TConditionFilter PrepareConditionFilter(const TSortCondition& condition, const LocalDateTime& runStart) {
    TConditionFilter filter;
    filter.fields = DecodeCondition(condition);
    filter.lists = ParseKeywords(condition.keywordText, condition.destText);
    filter.size1 = SizeRuleOf(filter.fields.size1);
    filter.size2 = SizeRuleOf(filter.fields.size2);
    filter.timeRules = TimeRulesOf(filter.fields, runStart);
    filter.destFolder = NormaliseFolderPath(filter.fields.destFolder);
    return filter;
}

namespace {

// The folder followed by every folder below it, depth first.
bool CollectFolders(FileSystem& files, const std::string& folder, std::vector<std::string>& list,
                    const std::function<bool(const std::string&)>& entering) {
    if (entering && !entering(folder))
        return false;
    list.push_back(folder);
    if (folder.empty())
        return true;
    std::vector<std::string> children;
    (void)ForEachEntry(files, folder, [&](const DirEntry& entry) {
        if (entry.isFolder && !entry.backslashName)
            children.push_back(JoinPath(folder, entry.name));
        return true;
    });
    return std::all_of(children.begin(), children.end(), [&](const std::string& child) {
        return CollectFolders(files, child, list, entering);
    });
}

} // namespace

std::optional<std::vector<std::string>>
ConditionFolders(FileSystem& files, const TConditionFields& fields, const std::string& mainFolder,
                 const std::function<bool(const std::string&)>& entering) {
    std::vector<std::string> folders;
    if (!fields.ownSource) {
        folders.push_back(mainFolder);
        return folders;
    }
    const std::string own = NormaliseFolderPath(fields.sourceFolder);
    if (!fields.subFolders) {
        folders.push_back(own);
        return folders;
    }
    if (!CollectFolders(files, own, folders, entering))
        return std::nullopt;
    return folders;
}

std::optional<std::uint64_t> EntryFacts::Size(const std::string& pathText) {
    return m_files.EntrySize(pathText);
}

std::optional<FileTime> EntryFacts::LastWrite(const std::string& pathText) {
    return m_files.LastWriteTime(pathText);
}

bool EntryFacts::Readable(const std::string& pathText) {
    return m_files.CanOpenForReading(pathText);
}

// One folder under two spellings (a link, "\.\", "\x\..\", a doubled separator) is the same
// folder; "src" and "SRC" are two. A destination that does not exist yet is never the source.
bool EntryFilter::SameFolder(const std::string& destFolder, const std::string& sourceFolder) {
    if (!m_sourceId)
        return WithTrailingSeparator(destFolder) == WithTrailingSeparator(sourceFolder);
    // A folder, once there, stays the same item for the rest of the run; one that is missing may
    // be made by the next entry, so it is looked at again.
    if (m_destIdText != destFolder || !m_destId) {
        m_destIdText = destFolder;
        m_destId = m_facts.Files().IdentityOf(destFolder);
    }
    return m_destId && *m_destId == *m_sourceId;
}

std::string EntryFilter::TimestampPath(const TConditionFilter& condition, const TPlacementEntry& entry) {
    if (!condition.fields.timestampFolder)
        return {};
    if (!entry.isFolder && !m_facts.Readable(entry.sourcePath))
        return "*";
    const auto stamp = m_facts.LastWrite(entry.sourcePath);
    if (!stamp)
        return "*";
    const std::string folder =
        FolderOf(entry.destPath) + TimestampFolderText(ToLocal(*stamp), condition.fields.patternCode);
    if (!m_facts.MakeFolder(folder))
        return {};
    return JoinPath(folder, LastComponent(entry.destPath));
}

// The limits name entries that are not to be sorted; an entry whose size or time cannot be read
// is not sorted either.
bool EntryFilter::Excluded(const TConditionFilter& condition, const std::string& path, bool isFolder) {
    if (condition.size1 || condition.size2) {
        std::uint64_t size = 0;
        if (!isFolder) {
            const auto read = m_facts.Size(path);
            if (!read)
                return true;
            size = *read;
        }
        if ((condition.size1 && SizeRuleHolds(*condition.size1, size)) ||
            (condition.size2 && SizeRuleHolds(*condition.size2, size)))
            return true;
    }
    if (!condition.timeRules.empty()) {
        const auto time = m_facts.LastWrite(path);
        if (!time || TimeRulesExclude(condition.timeRules, *time))
            return true;
    }
    return false;
}

EntryVerdict EntryFilter::Check(const TConditionFilter& condition, const std::string& folder,
                                const std::string& name, bool isFolder,
                                std::optional<std::string_view> folded, TPlacementEntry& entry) {
    const TConditionFields& f = condition.fields;
    // The cheap tests come first: most entries end at the name test, so nothing is built before it.
    if (m_settings.NotIncomplete && ContainsIncomplete(name))
        return EntryVerdict::Skip;
    if (isFolder ? !(f.includeFolders || f.onlyFolders) : f.onlyFolders)
        return EntryVerdict::Skip;
    if (folded ? !MatchesFoldedName(*folded, condition.lists) : !MatchesCondition(name, condition.lists))
        return EntryVerdict::Skip;

    entry.name = name;
    entry.sourceFolder = folder;
    entry.sourcePath = JoinPath(folder, name);
    entry.destFolder = condition.destFolder;
    entry.destPath = PlainDestination(condition.destFolder, name);
    entry.isFolder = isFolder;

    const std::string stamped = TimestampPath(condition, entry);
    if (stamped == "*")
        return EntryVerdict::Skip;
    if (!stamped.empty()) {
        entry.destPath = stamped;
        std::string d = FolderOf(stamped);
        while (!d.empty() && d.back() == '\\')
            d.pop_back();
        entry.destFolder = d;
    }

    if (SameFolder(entry.destFolder, folder))
        return EntryVerdict::Skip;

    const std::string lowerExt = AsciiLower(ExtensionOf(name));
    const bool suspicious = (m_settings.NotDouble && CountKnownExtensions(name) >= 2) ||
                            (m_settings.NotExe && (lowerExt == ".com" || lowerExt == ".exe"));
    if (suspicious && m_settings.NotClass)
        return EntryVerdict::Skip;
    if (suspicious && !m_settings.DoubtFolder.empty()) {
        // Compared as items, so that a file is never "replaced" by itself under another spelling.
        const std::string& doubt = m_settings.DoubtFolder;
        const auto doubtId = m_facts.Files().IdentityOf(doubt);
        if (doubtId ? doubtId == m_sourceId
                    : WithTrailingSeparator(NormaliseFolderPath(doubt)) ==
                          WithTrailingSeparator(NormaliseFolderPath(folder)))
            return EntryVerdict::Skip;
        return EntryVerdict::Suspicious;
    }
    // A suspicious entry that has no folder of its own is sorted like any other, without the NG
    // keywords and the limits.
    if (!suspicious &&
        (ContainsNgKeyword(name, m_settings.NgKeyword) || Excluded(condition, entry.sourcePath, isFolder)))
        return EntryVerdict::Skip;
    return EntryVerdict::Take;
}

} // namespace sv
