// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/undo_last_run.h"

#include "platform/file_messages.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/same_content.h"
#include "store/record_text.h"

#include <algorithm>

namespace sv {
namespace {

constexpr std::size_t kReportLines = 20;

std::string Native(std::string_view pathText) {
    return "[" + ToNativePath(pathText) + "]";
}

// Takes one item back; an empty text means it was, otherwise the text says why not.
std::string UndoItem(const TUndoRequest& request, const THistoryEntry& entry, const TRunItem& item) {
    std::string folder = HistorySourceFolder(entry);
    if (folder.empty())
        folder = request.mainSource;
    const std::string original = JoinPath(folder, item.originalName);
    const std::string sorted = HistoryItemPath(entry);
    FileSystem& files = request.files;
    if (item.kind == TRunItemKind::Deleted)
        return Native(original) + " は削除されたため、元に戻せません。";
    if (item.kind == TRunItemKind::Copied) {
        if (entry.IsFolder())
            return Native(sorted) + " はフォルダのコピーのため、削除しませんでした。";
        if (!files.FileExists(sorted))
            return Native(sorted) + " がありません。";
        if (!files.FileExists(original))
            return "元のファイル " + Native(original) + " がないため、コピー " + Native(sorted) +
                   " を削除しませんでした。";
        if (CompareContents(files, sorted, original, [](std::uint64_t) { return true; }) !=
            ContentMatch::Equal)
            return "コピー " + Native(sorted) + " は元のファイルと内容が異なるため、削除しませんでした。";
        const FileStatus removed =
            request.dustBox ? files.MoveToRecycleBin(sorted) : files.DeletePermanently(sorted);
        if (removed.ok())
            return {};
        // One line per item: the reason goes in brackets when it is about the copy itself.
        const std::string failed = "コピー " + Native(sorted) + " を削除できませんでした";
        if (removed.error().path == ToNativePath(sorted))
            return failed + "（" + FileErrorReason(removed.error()) + "）。";
        return failed + "。" + FileErrorText(removed.error());
    }
    if (!files.Exists(sorted))
        return Native(sorted) + " がありません。";
    // A file put there later under the same name is not the run's to take back.
    if (item.stamp) {
        const std::optional<ItemStamp> now = files.ItemStampOf(sorted);
        if (!now || !SameItemAsRecorded(*item.stamp, *now))
            return Native(sorted) + " は振り分けたあとに変更されたため、戻しませんでした。";
    }
    if (folder.empty() || !files.FolderExists(folder))
        return "振り分け元フォルダ " + Native(folder) + " がないため、" + Native(sorted) +
               " を戻しませんでした。";
    if (files.Exists(original))
        return Native(original) + " が既にあるため、" + Native(sorted) + " を戻しませんでした。";
    switch (MoveItemBack(files, sorted, folder, item.originalName, request.fileUsing, request.progress)) {
    case MoveBackResult::Moved:
        break;
    case MoveBackResult::PassedOver:
        return Native(sorted) + " を戻しませんでした。";
    case MoveBackResult::Failed:
        return Native(sorted) + " を戻せませんでした。";
    }
    // Keeping the newer or the older file deleted the one that was there before.
    if (entry.EntryMark == ActionMark(kMarkNewer) || entry.EntryMark == ActionMark(kMarkOlder))
        return "振り分け先にあった同じ名前のファイル " + Native(sorted) +
               " は置き換えられたため、元に戻せません。";
    return {};
}

// The folders the run created, each as far up as the run created it, while they are empty.
void RemoveCreatedFolders(FileSystem& files, const std::vector<TCreatedFolder>& folders) {
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        std::string at = it->leaf;
        while (at.size() >= it->top.size() && files.RemoveEmptyFolder(at).ok() && at != it->top) {
            std::string parent(WithoutTrailingSeparators(FolderOf(at)));
            if (parent.size() >= at.size())
                break;
            at = std::move(parent);
        }
    }
}

constexpr const char* kHistoryChanged = "History.dat が前回の振り分けの後に変更されていました。";

// History.dat without the records of the items that were taken back; its top must still be the
// run's records.
Status DropUndoneRecords(std::string_view dataFolder, const TLastRun& run, const std::vector<bool>& undone) {
    const std::string path = JoinPath(dataFolder, kHistoryFileName);
    const FileRead read = ReadWholeFile(path);
    if (read.state != ReadState::Ok)
        return Status::Fail(FileErrorText(read.error));
    const std::vector<std::string_view> lines = NonEmptyLines(read.bytes);
    if (lines.size() < 4 * run.records.size())
        return Status::Fail(kHistoryChanged);
    std::string bytes;
    for (std::size_t i = 0; i < run.records.size(); ++i) {
        for (std::size_t k = 0; k < 4; ++k) {
            if (lines[4 * i + k] != run.records[i][k])
                return Status::Fail(kHistoryChanged);
        }
        if (undone[i])
            continue;
        for (std::size_t k = 0; k < 4; ++k) {
            bytes += lines[4 * i + k];
            bytes += "\r\n";
        }
    }
    for (std::size_t at = 4 * run.records.size(); at < lines.size(); ++at) {
        bytes += lines[at];
        bytes += "\r\n";
    }
    return FailureStatus(WriteFileAtomic(path, bytes));
}

} // namespace

MoveBackResult MoveItemBack(FileSystem& files, std::string_view item, std::string_view folder,
                            std::string_view name, bool fileUsing, TransferProgress* progress) {
    const std::string target = JoinPath(folder, name);
    if (folder.empty() || !files.FolderExists(folder) || files.Exists(target) || !files.Exists(item))
        return MoveBackResult::PassedOver;
    TransferOptions options;
    options.noErrorDisplay = fileUsing;
    options.noConfirmation = true;
    options.progressTitle = "振り分け中...";
    return files.Transfer(item, target, TransferMode::Move, options, progress).ok() ? MoveBackResult::Moved
                                                                                    : MoveBackResult::Failed;
}

TUndoReport UndoRun(const TUndoRequest& request, const TLastRun& run) {
    TUndoReport report;
    std::vector<bool> undone(run.entries.size(), false);
    for (std::size_t i = run.entries.size(); i-- > 0;) {
        const std::string why = UndoItem(request, run.entries[i], run.items[i]);
        // A replaced file is told, but the item itself went back.
        const bool back = why.empty() || why.starts_with("振り分け先にあった");
        if (back) {
            undone[i] = true;
            ++report.undone;
        }
        if (!why.empty())
            report.notUndone.push_back(why);
    }
    RemoveCreatedFolders(request.files, run.folders);
    if (report.undone > 0) {
        if (const Status dropped = DropUndoneRecords(request.dataFolder, run, undone); !dropped.ok())
            report.notUndone.push_back("振り分け履歴から元に戻した項目の記録を削除できませんでした。");
    }
    ForgetLastRun(request.dataFolder);
    return report;
}

MessageBoxRequest UndoQuestion(const TLastRun& run) {
    const std::string when = run.entries.empty() ? std::string() : run.entries.front().EntryTime;
    return {std::string(kUndoTitle),
            "最後の振り分け（" + when + "、" + std::to_string(run.entries.size()) +
                " 個の項目）を元に戻します。\n移動した項目は振り分け元フォルダに戻し、コピーしたファイルは元"
                "のファイルと同じ内容のときだけ振り分け先から削除します。\n\nよろしいですか？",
            MbIcon::Question, MbButtons::YesNo, MbAnswer::No};
}

MessageBoxRequest UndoReportMessage(const TUndoReport& report) {
    std::string text = std::to_string(report.undone) + " 個の項目を元に戻しました。";
    if (report.notUndone.empty())
        return {std::string(kUndoTitle), text, MbIcon::Information, MbButtons::Ok, MbAnswer::Ok};
    text += "\n次の " + std::to_string(report.notUndone.size()) + " 個の項目は元に戻せませんでした。\n";
    const std::size_t shown = std::min(report.notUndone.size(), kReportLines);
    for (std::size_t i = 0; i < shown; ++i)
        text += "\n" + report.notUndone[i];
    if (report.notUndone.size() > shown)
        text += "\nほか " + std::to_string(report.notUndone.size() - shown) + " 個";
    return {std::string(kUndoTitle), text, MbIcon::Warning, MbButtons::Ok, MbAnswer::Ok};
}

std::string LastRunGapText(LastRunGap gap) {
    switch (gap) {
    case LastRunGap::NoRecord:
        break;
    case LastRunGap::Unreadable:
        return "最後の振り分けの記録（" + std::string(kLastRunFileName) + "）を読めません。";
    case LastRunGap::HistoryChanged:
        return "最後の振り分けのあとに振り分け履歴が並べ替えられたか変更されたため、元に戻せません。";
    }
    return "元に戻せる振り分けの記録がありません。";
}

bool UndoLastRun(const TUndoRequest& request, MessageBox& box) {
    const Result<TLastRun, LastRunGap> run = ReadLastRun(request.dataFolder);
    if (!run) {
        box.Show({std::string(kUndoTitle), LastRunGapText(run.reason()), MbIcon::Information, MbButtons::Ok,
                  MbAnswer::Ok});
        return false;
    }
    if (box.Show(UndoQuestion(*run)) != MbAnswer::Yes)
        return false;
    const TUndoReport report = UndoRun(request, *run);
    box.Show(UndoReportMessage(report));
    return report.undone > 0;
}

} // namespace sv
