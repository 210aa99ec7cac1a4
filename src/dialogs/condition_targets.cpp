// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/condition_targets.h"

#include "engine/entry_filter.h"
#include "platform/dir_reader.h"
#include "platform/file_attributes.h"
#include "platform/file_messages.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/pathtext.h"

#include <algorithm>

namespace sv {
namespace {

// Why, without the path the message already names.
std::string Reason(const std::optional<FileError>& error) {
    return error ? FileErrorReason(*error) : std::string();
}

std::string ReadError(FileSystem& files, const std::string& path, const std::optional<FileError>& error) {
    if (path.empty())
        return "振り分け元フォルダが指定されていません";
    const std::string shown = "振り分け元フォルダ [" + ToNativePath(path) + "] ";
    if (!files.Exists(path))
        return shown + "が見つかりません";
    if (!files.FolderExists(path))
        return shown + "はフォルダではありません";
    return shown + "を読み込めません（" + Reason(error) + "）";
}

// The folder itself or a folder below it.
bool WithinFolder(const std::string& path, const std::string& folder) {
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '\\');
}

} // namespace

// The answers of the disk, asked once per entry and kept; nothing is made.
class TargetListing::CachedFacts final : public EntryFacts {
public:
    explicit CachedFacts(FileSystem& files) : EntryFacts(files), m_files(files) {}
    Facts* current = nullptr;

    std::optional<std::uint64_t> Size(const std::string& pathText) override {
        if (!current->sizeRead) {
            current->size = m_files.EntrySize(pathText);
            current->sizeRead = true;
        }
        return current->size;
    }
    std::optional<FileTime> LastWrite(const std::string& pathText) override {
        if (!current->timeRead) {
            current->time = m_files.LastWriteTime(pathText);
            current->timeRead = true;
        }
        return current->time;
    }
    bool Readable(const std::string& pathText) override {
        if (!current->readableRead) {
            current->readable = m_files.CanOpenForReading(pathText);
            current->readableRead = true;
        }
        return current->readable;
    }
    // A time-stamp folder that a run could not make would only send the entry to the plain
    // destination; it is taken either way.
    bool MakeFolder(const std::string&) override { return true; }

private:
    FileSystem& m_files;
};

TTargetSource TargetSourceOf(const TConditionFields& fields, const std::vector<std::string>& mainFolders) {
    TTargetSource source;
    source.ownSource = fields.ownSource;
    if (fields.ownSource) {
        source.sourceFolder = NormaliseFolderPath(fields.sourceFolder);
        source.subFolders = fields.subFolders;
    } else {
        source.mainFolders = mainFolders;
    }
    return source;
}

bool TargetListing::Read(const TTargetSource& source) {
    if (m_source && *m_source == source)
        return false;
    m_source = source;
    m_folders.clear();
    m_cut = false;

    std::vector<std::string> paths;
    if (source.ownSource) {
        TConditionFields fields;
        fields.ownSource = true;
        fields.sourceFolder = source.sourceFolder;
        fields.subFolders = source.subFolders;
        // The run's own search, stopped at the count; what it found so far is read.
        const auto all = ConditionFolders(*m_files, fields, {}, [&](const std::string& folder) {
            if (paths.size() == m_maxFolders) {
                m_cut = true;
                return false;
            }
            paths.push_back(folder);
            return true;
        });
        if (all)
            paths = *all;
    } else {
        // Every pass of a run has its own main folder; one listed twice is read once.
        for (const std::string& folder : source.mainFolders) {
            if (std::find(paths.begin(), paths.end(), folder) == paths.end())
                paths.push_back(folder);
        }
    }

    std::size_t entries = 0;
    for (const std::string& path : paths) {
        if (entries >= m_maxEntries) {
            m_cut = true;
            break;
        }
        Folder& folder = m_folders.emplace_back();
        folder.path = path;
        DirReader reader;
        EnumOptions options;
        options.skipHidden = true;
        if (path.empty() || !m_files->OpenFolder(reader, path, options).ok()) {
            folder.error = ReadError(*m_files, path, reader.error());
            continue;
        }
        folder.identity = m_files->IdentityOf(path);
        while (const auto entry = reader.Next()) {
            // As in a run: such a name cannot be written as a path text; it stays where it is.
            if (entry->backslashName || entry->hidden)
                continue;
            if (++entries > m_maxEntries) {
                m_cut = true;
                break;
            }
            folder.listing.Add(entry->name, entry->isFolder);
        }
        if (reader.error())
            folder.error = "振り分け元フォルダ [" + ToNativePath(path) + "] を最後まで読み込めません（" +
                           Reason(reader.error()) + "）";
        folder.facts.resize(folder.listing.entries.size());
    }
    return true;
}

TTargetList TargetListing::Match(const TSortCondition& condition, const TAppSettings& settings,
                                 const LocalDateTime& now) {
    TTargetList out;
    const TConditionFilter filter = PrepareConditionFilter(condition, now);
    // A run passes over a condition without a destination.
    if (filter.destFolder.empty()) {
        out.countLine = "振り分け先フォルダが指定されていません";
        return out;
    }
    CachedFacts facts(*m_files);
    EntryFilter tests(settings, facts);
    // A folder moved whole takes what is inside it along: the run finds its subfolders gone.
    std::vector<std::string> movedFolders;
    std::vector<const std::string*> unread;
    for (Folder& folder : m_folders) {
        if (!folder.error.empty())
            unread.push_back(&folder.error);
        if (std::any_of(movedFolders.begin(), movedFolders.end(),
                        [&](const std::string& moved) { return WithinFolder(folder.path, moved); }))
            continue;
        tests.EnterFolder(folder.identity);
        for (std::uint32_t i = 0; i < folder.listing.entries.size(); ++i) {
            const FolderListing::Entry& e = folder.listing.entries[i];
            facts.current = &folder.facts[i];
            TPlacementEntry entry;
            const EntryVerdict verdict = tests.Check(filter, folder.path, e.name, e.isFolder,
                                                     folder.listing.Folded(i, filter.lists.fold), entry);
            if (verdict == EntryVerdict::Skip)
                continue;
            ++out.count;
            const bool suspicious = verdict == EntryVerdict::Suspicious;
            if (e.isFolder && (suspicious || !filter.fields.copyMode))
                movedFolders.push_back(entry.sourcePath);
            if (out.rows.size() < kTargetRowsShown) {
                const std::uint64_t size = e.isFolder ? 0 : facts.Size(entry.sourcePath).value_or(0);
                out.rows.push_back({e.name, folder.path, size, e.isFolder, suspicious});
            }
        }
    }

    out.countLine = std::to_string(out.count) + " 個のファイル（フォルダ）が振り分け対象です";
    if (m_cut)
        out.countLine += "（項目が多いため、フォルダ " + std::to_string(m_maxFolders) + " 個・項目 " +
                         std::to_string(m_maxEntries) + " 個までを調べました）";
    if (!unread.empty()) {
        out.countLine += "（" + *unread.front();
        if (unread.size() > 1)
            out.countLine +=
                "。ほかに " + std::to_string(unread.size() - 1) + " 個のフォルダを読み込めません";
        out.countLine += "）";
    }
    return out;
}

} // namespace sv
