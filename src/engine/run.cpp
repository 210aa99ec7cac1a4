// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/run.h"

#include "engine/duplicate_compare.h"
#include "engine/entry_filter.h"
#include "engine/folder_cache.h"
#include "engine/keyword_index.h"
#include "engine/keywords.h"
#include "engine/placement.h"
#include "engine/preview_box.h"
#include "platform/dry_run.h"
#include "platform/file_messages.h"
#include "platform/in_use.h"
#include "platform/pathtext.h"
#include "platform/text.h"
#include "store/condition.h"
#include "store/run_journal.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace sv {
namespace {

constexpr std::string_view kTitle = "Sorvanta";
constexpr std::string_view kStatusRunning = "振り分け処理実行中...";
constexpr std::string_view kStatusDone = "振り分け処理が完了しました。";
constexpr std::string_view kPreviewRunning = "振り分けのテスト実行中...（ファイルは移動しません）";
constexpr std::string_view kPreviewDone = "テスト実行が完了しました。ファイルは移動していません。";
constexpr std::string_view kMd5Missing =
    "適切な md5.dll が見つからなかったため、コンペア処理は実行できませんでした...";

// Everything of one condition that the entries need, decoded once per condition.
struct TActiveCondition final {
    TConditionFilter filter;
    TPlacementCondition placement;
};

// The run's answers to the filters: its file system, and the time-stamp folder made and noted
// for undo.
class RunFacts final : public EntryFacts {
public:
    RunFacts(FileSystem& files, TPendingHistory& history) : EntryFacts(files), m_history(history) {}
    bool MakeFolder(const std::string& folderPathText) override {
        return ForceRunFolder(Files(), m_history, folderPathText);
    }

private:
    TPendingHistory& m_history;
};

enum class Flow { Go, Cancelled, Ended };

class SortRun final {
public:
    SortRun(const TRunRequest& request, FileSystem& files, TRunShared& shared, RunUi& ui, MessageBox& box,
            TPendingHistory& history)
        : m_request(request), m_settings(request.settings), m_files(files), m_shared(shared), m_ui(ui),
          m_box(box), m_context{request.settings, request.extRules, files, ui, box, history, 0, {}, {}, {}},
          m_digest(request.digest != nullptr ? *request.digest : ProgramDigestLibrary()),
          m_inUse(request.settings.FileUsingWait * 60), m_facts(files, history),
          m_filter(request.settings, m_facts) {}

    TRunOutcome Run();
    TRunOutcome Repeated();

private:
    void ClosingSteps();
    Flow RunCondition(int index, const std::string& mainFolder);
    Flow RunFolder(const TActiveCondition& condition, std::size_t index, const std::string& folder,
                   bool cacheable);
    Flow RunListing(const TActiveCondition& condition, std::size_t index, const std::string& folder,
                    FolderListing& listing);
    Flow AfterEntry(EntryOutcome outcome) const;
    void PrepareConditions();
    EntryOutcome HandleEntry(const TActiveCondition& condition, const std::string& folder,
                             const std::string& name, bool isFolder, std::optional<std::string_view> folded);
    EntryOutcome ToSuspiciousFolder(const TActiveCondition& condition, const std::string& folder,
                                    const std::string& name, bool isFolder);
    std::optional<EntryOutcome> CompareStep(const TActiveCondition& condition, const TPlacementEntry& entry);
    bool Checked(int index) const;
    void SetCaption(std::string caption);
    // "振り分け実行中 - ..." of a run, "テスト実行 - ..." of a test run.
    std::string RunningCaption(std::string_view what) const;
    std::string_view RunningStatus() const { return m_request.preview ? kPreviewRunning : kStatusRunning; }
    void ShowCount();
    // Left for a later run: what the watch holds back, and with FileUsing a file open for writing
    // as far as the kernel or the quiet time tell.
    bool Held(const std::string& path, bool testInUse) const;

    const TRunRequest& m_request;
    const TAppSettings& m_settings;
    FileSystem& m_files;
    TRunShared& m_shared;
    RunUi& m_ui;
    MessageBox& m_box;
    TRunContext m_context;
    std::string m_caption;
    bool m_suspiciousBlocked = false;
    bool m_md5Missing = false;
    DigestLibrary& m_digest;
    bool m_digestAvailable = false;
    THashCache m_hashCache;
    // The selected condition's texts for the final caption, once the run came to it.
    std::string m_selectedKeywords;
    std::string m_selectedName;
    TRunOutcome m_outcome;
    int m_countShown = -1;
    // The folder being enumerated, by identity.
    std::optional<FileIdentity> m_sourceId;
    // Every condition decoded once per run, and what spares a condition the names it cannot match
    // and the enumerations that would give nothing new.
    std::vector<TActiveCondition> m_active;
    std::unique_ptr<KeywordIndex> m_index;
    FolderCache m_cache;
    InUseProbe m_inUse;
    RunFacts m_facts;
    EntryFilter m_filter;
};

bool SortRun::Held(const std::string& path, bool testInUse) const {
    if (m_request.heldBack && m_request.heldBack(path))
        return true;
    if (!m_settings.FileUsing || !testInUse || !m_files.IsInUseForWriting(path, m_inUse))
        return false;
    if (m_request.passedOverInUse)
        m_request.passedOverInUse(path);
    return true;
}

// The label only changes with the count; building its text for every entry would cost more than
// the entry's own tests.
void SortRun::ShowCount() {
    if (m_countShown == m_context.processed)
        return;
    m_countShown = m_context.processed;
    m_ui.SetCountLabel(ProcessedCountLabel(m_countShown));
}

TRunOutcome SortRun::Repeated() {
    ClosingSteps();
    m_outcome.repeated = true;
    return m_outcome;
}

std::string SortRun::RunningCaption(std::string_view what) const {
    return std::string(m_request.preview ? "テスト実行 - " : "振り分け実行中 - ") + std::string(what);
}

void SortRun::SetCaption(std::string caption) {
    m_caption = std::move(caption);
    m_ui.SetCaption(m_caption);
}

bool SortRun::Checked(int index) const {
    if (index >= 0 && static_cast<std::size_t>(index) < m_request.listChecks.size())
        return m_request.listChecks[static_cast<std::size_t>(index)];
    return IsChecked(m_request.conditions.At(index).destText);
}

TRunOutcome SortRun::Run() {
    m_context.history.Clear();
    // Loaded at the first run; once loaded it stays until the main window closes.
    m_digestAvailable = m_digest.EnsureLoaded().ok();
    PrepareConditions();
    m_ui.BeginRun(m_request.inTray);
    SetCaption(
        m_request.preview
            ? RunningCaption(m_request.runMode == RunMode::AllConditions ? "全ての条件" : "選択した条件")
            : std::string("実行中 - 振り分け処理"));
    m_ui.SetContinueFlag(false);
    m_ui.Repaint();

    std::vector<std::string> passes;
    if (m_settings.ExecAll)
        passes = m_request.sourceItems;
    else
        passes.push_back(m_request.sourceText);

    for (const std::string& mainFolder : passes) {
        m_suspiciousBlocked = false;
        for (int i = 0; i < m_request.conditions.Count(); ++i) {
            const Flow flow = RunCondition(i, mainFolder);
            if (flow != Flow::Go) {
                m_outcome.cancelled = true;
                ClosingSteps();
                return m_outcome;
            }
        }
        ShowCount();
    }

    if (!m_request.preview)
        m_shared.completionCount += m_context.processed;
    m_ui.FinishRun();
    ClosingSteps();
    return m_outcome;
}

void SortRun::PrepareConditions() {
    const int count = m_request.conditions.Count();
    m_active.resize(static_cast<std::size_t>(count));
    std::vector<const TKeywordLists*> lists;
    // The age limits count back from the start of the run.
    const LocalDateTime start = Now();
    for (int i = 0; i < count; ++i) {
        TActiveCondition& active = m_active[static_cast<std::size_t>(i)];
        active.filter = PrepareConditionFilter(m_request.conditions.At(i), start);
        const TConditionFields& fields = active.filter.fields;
        active.placement.keywords = fields.keywords;
        active.placement.copyMode = fields.copyMode;
        active.placement.extChangeOff = fields.extChangeOff;
        active.placement.historyOff = fields.historyOff;
        lists.push_back(&active.filter.lists);
    }
    // The listing cache learns of changes from the kernel's notices, which say nothing of changes
    // kept in memory.
    if (!m_request.plainPath && !m_files.KeepsChangesInMemory())
        m_index = std::make_unique<KeywordIndex>(lists);
}

void SortRun::ClosingSteps() {
    if (m_request.preview)
        m_ui.SetCaption(m_request.runMode == RunMode::AllConditions ? RunningCaption("全ての条件")
                        : m_selectedName.empty() ? RunningCaption("キーワード [" + m_selectedKeywords + "]")
                                                 : RunningCaption("設定名 [" + m_selectedName + "]"));
    else if (m_request.runMode == RunMode::AllConditions)
        m_ui.SetCaption("Sorvanta 振り分け完了 - 全ての条件");
    else if (m_selectedName.empty())
        m_ui.SetCaption("Sorvanta 振り分け完了 - キーワード [" + m_selectedKeywords + "]");
    else
        m_ui.SetCaption("Sorvanta 振り分け完了 - 設定名 [" + m_selectedName + "]");
    m_ui.SetProgress(0);
    std::string status(m_request.preview ? kPreviewDone : kStatusDone);
    if (m_md5Missing)
        status += kMd5Missing;
    m_ui.SetStatus(status);
    m_ui.Repaint();
    m_outcome.processed = m_context.processed;
    m_outcome.md5Missing = m_md5Missing;
}

Flow SortRun::RunCondition(int index, const std::string& mainFolder) {
    const TSortCondition& condition = m_request.conditions.At(index);
    m_hashCache.Clear();
    m_ui.SetStatus(RunningStatus());
    if (m_request.runMode == RunMode::AllConditions) {
        SetCaption(RunningCaption("全ての条件"));
        if (m_settings.ExecChkBox && !Checked(index))
            return Flow::Go;
    } else {
        if (index != m_request.selectedIndex)
            return Flow::Go;
        m_selectedKeywords = Keywords(condition.keywordText);
        m_selectedName = SettingName(condition.keywordText);
        SetCaption(m_selectedName.empty() ? RunningCaption("キーワード [" + m_selectedKeywords + "]")
                                          : RunningCaption("設定名 [" + m_selectedName + "]"));
    }

    const TActiveCondition& active = m_active[static_cast<std::size_t>(index)];
    const TConditionFields& fields = active.filter.fields;
    m_context.knownFolder.clear();
    // Without a destination every entry would land in the root folder.
    if (active.filter.destFolder.empty())
        return Flow::Go;

    const std::string previous = m_caption;
    const auto folders = ConditionFolders(m_files, fields, mainFolder, [this](const std::string& folder) {
        m_ui.SetCaption("サブフォルダ検索中 - " + ToNativePath(folder));
        m_ui.LetEventsThrough();
        return !m_ui.CancelRequested();
    });
    if (fields.ownSource && fields.subFolders)
        SetCaption(previous);
    if (!folders)
        return Flow::Cancelled;

    // A subfolder list is enumerated afresh: it is built from enumerations itself.
    const bool cacheable = m_index && !(fields.ownSource && fields.subFolders);
    for (const std::string& folder : *folders) {
        const Flow flow = RunFolder(active, static_cast<std::size_t>(index), folder, cacheable);
        if (flow != Flow::Go)
            return flow;
    }
    return Flow::Go;
}

Flow SortRun::AfterEntry(EntryOutcome outcome) const {
    return outcome == EntryOutcome::EndRun ? Flow::Ended : Flow::Go;
}

Flow SortRun::RunFolder(const TActiveCondition& condition, std::size_t index, const std::string& folder,
                        bool cacheable) {
    // An empty source text would mean the root folder; it means no entries.
    if (folder.empty())
        return Flow::Go;
    m_sourceId = m_files.IdentityOf(folder);
    m_filter.EnterFolder(m_sourceId);
    cacheable = cacheable && m_sourceId;
    if (cacheable) {
        if (FolderListing* listing = m_cache.Find(folder, *m_sourceId))
            return RunListing(condition, index, folder, *listing);
    }
    // The listing is watched before the folder is opened, so that no change escapes it.
    FolderListing* listing = cacheable ? m_cache.Start(folder, *m_sourceId) : nullptr;
    DirReader reader;
    EnumOptions options;
    options.skipHidden = true;
    if (!m_files.OpenFolder(reader, folder, options).ok()) {
        if (listing)
            m_cache.Drop(folder);
        return Flow::Go;
    }
    while (const auto entry = reader.Next()) {
        ShowCount();
        m_ui.LetEventsThrough();
        if (m_ui.CancelRequested()) {
            if (listing)
                m_cache.Drop(folder);
            return Flow::Cancelled;
        }
        // Such a name cannot be written as a path text; it stays where it is.
        if (entry->backslashName || entry->hidden)
            continue;
        const std::string name(entry->name);
        const bool isFolder = entry->isFolder;
        std::optional<std::string_view> folded;
        if (listing) {
            listing->Add(name, isFolder);
            folded = listing->Folded(static_cast<std::uint32_t>(listing->entries.size() - 1),
                                     condition.filter.lists.fold);
        }
        const EntryOutcome outcome = HandleEntry(condition, folder, name, isFolder, folded);
        if (outcome != EntryOutcome::Next) {
            // The rest of the folder was not read.
            if (listing)
                m_cache.Drop(folder);
            return AfterEntry(outcome);
        }
    }
    if (listing) {
        if (!reader.error())
            listing->complete = true;
        else
            m_cache.Drop(folder);
    }
    return Flow::Go;
}

// The folder as the cache proves a fresh enumeration would give it, and of it only the entries
// whose names can match: the others would pass through every test without effect.
Flow SortRun::RunListing(const TActiveCondition& condition, std::size_t index, const std::string& folder,
                         FolderListing& listing) {
    const std::vector<std::uint32_t> candidates =
        listing.Candidates(*m_index, index, condition.filter.lists.fold);
    for (const std::uint32_t i : candidates) {
        if (!listing.entries[i].live)
            continue;
        ShowCount();
        m_ui.LetEventsThrough();
        if (m_ui.CancelRequested())
            return Flow::Cancelled;
        // Copied: handling the entry may end the listing (the cache drops it on the next look).
        const std::string name = listing.entries[i].name;
        const bool isFolder = listing.entries[i].isFolder;
        const std::string folded(listing.Folded(i, condition.filter.lists.fold));
        const EntryOutcome outcome = HandleEntry(condition, folder, name, isFolder, folded);
        if (outcome != EntryOutcome::Next)
            return AfterEntry(outcome);
    }
    return Flow::Go;
}

EntryOutcome SortRun::HandleEntry(const TActiveCondition& condition, const std::string& folder,
                                  const std::string& name, bool isFolder,
                                  std::optional<std::string_view> folded) {
    const TConditionFields& f = condition.filter.fields;
    TPlacementEntry entry;
    switch (m_filter.Check(condition.filter, folder, name, isFolder, folded, entry)) {
    case EntryVerdict::Skip:
        return EntryOutcome::Next;
    case EntryVerdict::Suspicious:
        return ToSuspiciousFolder(condition, folder, name, isFolder);
    case EntryVerdict::Take:
        break;
    }

    // A file some program is still writing is left for a later run; it is not compared either,
    // since its bytes may still change after they were found equal.
    if (Held(entry.sourcePath, !isFolder))
        return EntryOutcome::Next;

    if (m_settings.FileComp && !f.compareOff && !isFolder && !f.copyMode) {
        const auto size = m_files.EntrySize(entry.sourcePath);
        if (size && *size != 0) {
            if (!m_digestAvailable)
                m_md5Missing = true;
            else if (const auto outcome = CompareStep(condition, entry))
                return *outcome;
        }
    }

    return PlaceEntry(m_context, condition.placement, std::move(entry));
}

// The duplicate compare of an entry: nothing when it is to be placed as usual. A duplicate is
// deleted; one that cannot be deleted stays where it is, unrecorded, and the user is told why.
std::optional<EntryOutcome> SortRun::CompareStep(const TActiveCondition& condition,
                                                 const TPlacementEntry& entry) {
    const TCompareOutcome compared =
        CompareWithDestination(m_ui, m_digest, m_files, m_hashCache, entry.sourcePath, entry.destFolder);
    m_ui.SetProgress(0);
    m_ui.SetStatus(RunningStatus());
    if (compared.result == CompareResult::NotIdentical)
        return std::nullopt;
    if (compared.result != CompareResult::Identical)
        return EntryOutcome::Next;
    const std::string_view deleted = m_settings.DustBox ? "ごみ箱" : "削除";
    const std::string name(LastComponent(entry.destPath));
    const bool journaled =
        JournalDeletion(m_context, condition.filter.fields.historyOff, entry, kMarkDeleted, deleted, name);
    const FileStatus removed = m_settings.DustBox ? m_files.MoveToRecycleBin(entry.sourcePath)
                                                  : m_files.DeletePermanently(entry.sourcePath);
    if (!removed.ok()) {
        if (journaled)
            JournalNotDone(m_context.history);
        m_box.Show({std::string(kTitle),
                    "[" + ToNativePath(entry.sourcePath) + "] は [" + ToNativePath(compared.matchPath) +
                        "] と同じ内容ですが、削除できませんでした。\n" + FileErrorText(removed.error()),
                    MbIcon::Error, MbButtons::Ok, MbAnswer::Ok});
        return EntryOutcome::Next;
    }
    ++m_context.processed;
    RecordResult(m_context, deleted, name, entry.sourceFolder, kMarkDeleted,
                 condition.filter.fields.historyOff, {TRunItemKind::Deleted, entry.name});
    return EntryOutcome::Next;
}

EntryOutcome SortRun::ToSuspiciousFolder(const TActiveCondition& condition, const std::string& folder,
                                         const std::string& name, bool isFolder) {
    const std::string& doubt = m_settings.DoubtFolder;
    if (m_suspiciousBlocked)
        return EntryOutcome::Next;
    if (!m_files.FolderExists(doubt)) {
        if (!m_settings.MakeFolder) {
            const MbAnswer answer =
                m_box.Show({std::string(kTitle),
                            "怪しいファイルの振り分け先 [" + ToNativePath(doubt) +
                                "] が存在しません。フォルダを作成して振り分け処理を実行しますか？",
                            MbIcon::Warning, MbButtons::YesNo, MbAnswer::Yes});
            if (answer != MbAnswer::Yes) {
                m_suspiciousBlocked = true;
                return EntryOutcome::Next;
            }
            if (!ForceRunFolder(m_files, m_context.history, doubt)) {
                m_box.Show({std::string(kTitle),
                            "フォルダを作成できませんでした。フォルダ名が適切かどうか確認してください。",
                            MbIcon::Error, MbButtons::Ok, MbAnswer::Ok});
                m_suspiciousBlocked = true;
                return EntryOutcome::Next;
            }
        } else if (!ForceRunFolder(m_files, m_context.history, doubt)) {
            m_suspiciousBlocked = true;
            return EntryOutcome::Next;
        }
    }

    const std::string source = JoinPath(folder, name);
    const std::string target = JoinPath(doubt, name);
    if (Held(source, true))
        return EntryOutcome::Next;
    // A file replaces a file of its name there; a folder on either side is never replaced, since
    // that would delete everything inside it.
    if (m_files.Exists(target) && (isFolder || m_files.FolderExists(target)))
        return EntryOutcome::Next;
    TransferOptions options;
    options.replaceExisting = true;
    options.noErrorDisplay = m_settings.FileUsing;
    options.noConfirmation = true;
    bool journaled = false;
    if (m_context.history.journal != nullptr) {
        TRunIntent intent;
        intent.sourceFolder = folder;
        intent.sourceName = name;
        intent.destFolder = doubt;
        intent.destName = intent.extName = name;
        // The entry it replaces is not the item, should the run end before its record.
        intent.replaced = m_files.ItemStampOf(target);
        journaled = JournalBefore(m_context, condition.filter.fields.historyOff, std::move(intent));
    }
    m_ui.SetContinueFlag(true);
    const TransferResult result = m_files.Transfer(source, target, TransferMode::Move, options, nullptr);
    const bool moved = result.ok() || !m_files.Exists(source);
    if (journaled && !moved)
        JournalNotDone(m_context.history);
    if (moved) {
        ++m_context.processed;
        TRunItem item(TRunItemKind::Moved, name);
        item.stayedBehind = result.stayedBehind;
        RecordResult(m_context, doubt, name, folder, kMarkPlain, condition.filter.fields.historyOff, item);
        if (result.leftBehind())
            m_ui.AddNote(LeftBehindNote(source, target, result.stayedBehind));
    } else if (result.changedDuringCopy) {
        m_ui.AddNote(ChangedDuringCopyNote(source));
    } else if (result.outcome == TransferOutcome::Aborted) {
        m_ui.SetContinueFlag(false);
    } else if (!m_settings.FileUsing) {
        m_box.Show(
            {std::string(kTitle) + " - 振り分けエラー",
             "[" + ToNativePath(source) + "] を振り分けできませんでした。\n" + TransferFailureText(result),
             MbIcon::Error, MbButtons::Ok, MbAnswer::Ok});
    }
    if (m_ui.ContinueFlag()) {
        m_ui.SetContinueFlag(false);
        return EntryOutcome::Next;
    }
    m_ui.PerformCancel();
    return EntryOutcome::EndRun;
}

} // namespace

std::string ProcessedCountLabel(int processed) {
    return "処理ファイル（フォルダ）： " + std::to_string(processed) + " 個";
}

namespace {

TRunOutcome RunSort(const TRunRequest& request, FileSystem& files, TRunShared& shared, RunUi& ui,
                    MessageBox& box, TPendingHistory& history) {
    if (request.settings.HwndTop)
        ui.SetTopmost();
    SortRun run(request, files, shared, ui, box, history);
    if (shared.runInProgress) {
        // Only the closing steps. The running run keeps its flag, so that a further activation
        // cannot start a second run inside the first.
        return run.Repeated();
    }
    shared.runInProgress = true;
    TRunOutcome outcome = run.Run();
    shared.runInProgress = false;
    return outcome;
}

} // namespace

TRunOutcome PerformSortRun(const TRunRequest& request, TRunShared& shared, RunUi& ui, MessageBox& box,
                           TPendingHistory& history) {
    if (!request.preview)
        return RunSort(request, request.files, shared, ui, box, history);
    // The run, its placement and its compare's workers reach the items only through the dry run,
    // so nothing on disk can change. The callers hand one over; a test run handed the disk still
    // gets one of its own, so that it can never touch an item.
    std::optional<DryRun> own;
    FileSystem& files = request.files.KeepsChangesInMemory() ? request.files : own.emplace();
    TRunRequest test = request;
    test.plainPath = true;
    PreviewMessageBox previewBox(ui, request.previewUnattended);
    TPendingHistory unkept;
    return RunSort(test, files, shared, ui, previewBox, unkept);
}

} // namespace sv
