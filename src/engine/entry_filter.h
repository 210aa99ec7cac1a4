// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/keywords.h"
#include "engine/placement.h"
#include "platform/clock.h"
#include "platform/file_identity.h"
#include "platform/file_system.h"
#include "store/condition.h"
#include "store/settings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The tests a sorting run makes of every entry before it places it, in one place: the run and the
// condition editor's list of what a condition takes call this same code.

namespace sv {

// A size limit in bytes. Sizes and limits are 64-bit: files of 2 GB and more, and limits of
// 2048 MB and more, compare correctly.
struct TSizeRule final {
    std::uint64_t bytes = 0;
    SizeRelation relation = SizeRelation::AtLeast;
};

// A ticked time-limit row as a moment and the side of it that is left alone.
struct TTimeRule final {
    std::int64_t moment = 0; // seconds since the epoch
    bool before = true;      // at or before the moment (以前の), else at or after it (以降の)
};

// The rows of a condition as moments: a date row at the start of its day, local time; an age row
// `count` × 24 hours, `count` weeks or `count` calendar months before `runStart` (a day the earlier
// month lacks becomes its last day: 31 March less one month is the end of February).
std::vector<TTimeRule> TimeRulesOf(const TConditionFields& fields, const LocalDateTime& runStart);

// Whether the rows leave alone an item last written at `lastWrite`; the time counts to the whole
// second, so an item written within the second of a moment is at it for both relations.
bool TimeRulesExclude(const std::vector<TTimeRule>& rules, const FileTime& lastWrite);

// Everything of one condition that its entries are tested against, decoded once per run.
struct TConditionFilter final {
    TConditionFields fields;
    TKeywordLists lists;
    std::optional<TSizeRule> size1;
    std::optional<TSizeRule> size2;
    std::vector<TTimeRule> timeRules;
    std::string destFolder; // normalised; empty means the condition takes nothing
};

// `runStart` is the moment the age rows count back from.
TConditionFilter PrepareConditionFilter(const TSortCondition& condition, const LocalDateTime& runStart);

// The folders a condition enumerates in a pass over `mainFolder`: the main folder, or its own
// folder followed, with SubFolders on, by every folder below it, depth first, hidden ones
// included. `entering` hears of every folder as the search enters it and may stop the search by
// returning false; the list is then nothing.
std::optional<std::vector<std::string>>
ConditionFolders(FileSystem& files, const TConditionFields& fields, const std::string& mainFolder,
                 const std::function<bool(const std::string&)>& entering);

// What the tests ask of the file system about an entry, and only when a test needs it. A run asks
// its file system every time and makes the time-stamp folder; a list of what a condition would
// take may answer from what it read before and makes nothing.
class EntryFacts {
public:
    explicit EntryFacts(FileSystem& files) : m_files(files) {}
    virtual ~EntryFacts() = default;
    virtual std::optional<std::uint64_t> Size(const std::string& pathText);
    virtual std::optional<FileTime> LastWrite(const std::string& pathText);
    // Whether a file can be opened for reading; the time-stamp folder asks it.
    virtual bool Readable(const std::string& pathText);
    // Makes the time-stamp folder; false when it cannot be made (the plain destination is used).
    virtual bool MakeFolder(const std::string& folderPathText) = 0;
    // Where folders are compared as items.
    FileSystem& Files() const { return m_files; }

private:
    FileSystem& m_files;
};

enum class EntryVerdict {
    Skip,       // passed over, nothing recorded
    Take,       // to be placed in `entry.destPath`
    Suspicious, // to the suspicious-file folder
};

class EntryFilter final {
public:
    EntryFilter(const TAppSettings& settings, EntryFacts& facts) : m_settings(settings), m_facts(facts) {}

    // The folder whose entries follow, by identity: a destination is compared with its source as
    // items, not as texts. Nothing when the folder cannot be reached.
    void EnterFolder(std::optional<FileIdentity> sourceId) { m_sourceId = sourceId; }

    // The tests in the run's order: "_incomplete", the kind of entry, the name, the time-stamp
    // folder, the same folder, the suspicious test, then for ordinary entries the NG keywords, the
    // size limits and the time limits. `folded` is the name already folded with the condition's
    // foldings, when the caller has it. `entry` is filled for a taken entry.
    EntryVerdict Check(const TConditionFilter& condition, const std::string& folder, const std::string& name,
                       bool isFolder, std::optional<std::string_view> folded, TPlacementEntry& entry);

private:
    bool SameFolder(const std::string& destFolder, const std::string& sourceFolder);
    // "" when no time-stamp folder applies or it cannot be made, "*" when the entry's time stamp
    // cannot be read (it is passed over), else the destination path inside the time-stamp folder.
    std::string TimestampPath(const TConditionFilter& condition, const TPlacementEntry& entry);
    bool Excluded(const TConditionFilter& condition, const std::string& path, bool isFolder);

    const TAppSettings& m_settings;
    EntryFacts& m_facts;
    std::optional<FileIdentity> m_sourceId;
    std::string m_destIdText;
    std::optional<FileIdentity> m_destId;
};

} // namespace sv
