// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/placement.h"

#include "platform/file_messages.h"
#include "platform/pathtext.h"
#include "platform/text.h"
#include "store/run_journal.h"

#include <cstdio>

namespace sv {
namespace {

constexpr std::string_view kTitle = "Sorvanta";
constexpr std::string_view kFolderNotMade =
    "フォルダを作成できませんでした。フォルダ名が適切かどうか確認してください。";

// base and extension of a name: the extension runs from the last period, period included.
std::pair<std::string, std::string> SplitExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {std::string(name), std::string()};
    return {std::string(name.substr(0, dot)), std::string(name.substr(dot))};
}

MessageBoxRequest Question(std::string text) {
    return {std::string(kTitle), std::move(text), MbIcon::Warning, MbButtons::YesNo, MbAnswer::Yes};
}

MessageBoxRequest Error(std::string text) {
    return {std::string(kTitle), std::move(text), MbIcon::Error, MbButtons::Ok, MbAnswer::Ok};
}

// Deletes a file for good during same-name handling; the sizes and times were compared just before.
bool DeleteForSameName(FileSystem& files, std::string_view path) {
    return files.DeletePermanently(path).ok();
}

// Linux moves a read-only file without a word, so with ReadOnly off the program asks itself.
MessageBoxRequest ReadOnlyQuestion(std::string_view sourcePath) {
    return Question("ファイル [" + ToNativePath(sourcePath) + "] は読み取り専用です。" +
                    "このファイルを移動しますか？");
}

} // namespace

std::string LeftBehindNote(std::string_view sourcePath, std::string_view targetPath,
                           const std::vector<std::string>& stayed) {
    // A few names say what to look for; a folder full of new files would make the note a list.
    constexpr std::size_t kNamesShown = 3;
    std::string note = "[" + ToNativePath(sourcePath) + "] は [" + ToNativePath(targetPath) +
                       "] へ移動しましたが、元のフォルダを完全には削除できませんでした。";
    if (!stayed.empty()) {
        note += "移動の間に追加・変更された項目と削除できなかった項目は、元のフォルダに残っています：";
        for (std::size_t i = 0; i < stayed.size() && i < kNamesShown; ++i)
            note += (i == 0 ? "" : "、") + stayed[i];
        if (stayed.size() > kNamesShown)
            note += " ほか " + std::to_string(stayed.size() - kNamesShown) + " 件";
        note += "。";
    }
    return note + "残っている項目を確認してください。";
}

std::string ChangedDuringCopyNote(std::string_view sourcePath) {
    return "[" + ToNativePath(sourcePath) +
           "] はコピーしている間に変更されたため、振り分けませんでした。元のフォルダにそのまま残っており、"
           "後の振り分けで振り分けられます。";
}

std::string PlainDestination(std::string_view destFolder, std::string_view name) {
    return JoinPath(destFolder, name);
}

std::string TimestampFolderText(const LocalDateTime& time, std::string_view patternCode) {
    std::string x;
    auto digit = [&](std::size_t i) { return i < patternCode.size() ? patternCode[i] : '1'; };
    auto separator = [&](char d) {
        if (d == '2')
            x += '-';
        else if (d == '3')
            x += '_';
        // A level separator at the very start would only double the folder's own backslash.
        else if (d == '4' && !x.empty() && x.back() != '\\')
            x += '\\';
    };
    if (digit(0) == '2')
        x += TwoDigits(time.year);
    else if (digit(0) == '3') {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%04d", time.year);
        x += buffer;
    }
    separator(digit(1));
    if (digit(2) == '2')
        x += TwoDigits(time.month);
    separator(digit(3));
    if (digit(4) == '2')
        x += TwoDigits(time.day);
    separator(digit(5));
    if (digit(6) == '2')
        x += TwoDigits(time.hour);
    separator(digit(7));
    if (digit(8) == '2')
        x += TwoDigits(time.minute);
    return x;
}

std::string ExtensionRuleTarget(std::string_view path, const std::vector<TExtRule>& rules) {
    const std::string name(LastComponent(path));
    const auto dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    const std::string upper = AsciiUpper(ext);
    for (const TExtRule& rule : rules) {
        if (upper == AsciiUpper("." + rule.ExtBefore))
            return std::string(path.substr(0, path.size() - ext.size())) + "." + rule.ExtAfter;
    }
    return std::string(path);
}

std::string ApplyExtensionRules(FileSystem& files, std::string_view path,
                                const std::vector<TExtRule>& rules) {
    const std::string renamed = ExtensionRuleTarget(path, rules);
    // A taken name is never replaced, and the record names the file where it really is.
    if (renamed != path && !files.Rename(path, renamed).ok())
        return std::string(path);
    return renamed;
}

bool ForceRunFolder(FileSystem& files, TPendingHistory& history, std::string_view folder) {
    auto trimmed = [](std::string_view text) { return std::string(WithoutTrailingSeparators(text)); };
    // The highest folder that is missing, walking up from the one asked for.
    std::string top;
    for (std::string at = trimmed(std::string(folder)); !at.empty() && !files.FolderExists(at);) {
        top = at;
        const std::string parent = trimmed(FolderOf(at));
        if (parent.size() >= at.size())
            break;
        at = parent;
    }
    if (!files.ForceFolder(folder).ok())
        return false;
    if (!top.empty())
        NoteCreatedFolder(history, {trimmed(std::string(folder)), top});
    return true;
}

bool AcrossFileSystems(TRunContext& run, std::string_view sourceFolder, std::string_view destFolder,
                       std::string_view sourcePath) {
    if (sourceFolder == run.acrossFrom && destFolder == run.acrossTo)
        return true;
    if (run.files.OnFileSystemOf(sourcePath, destFolder))
        return false;
    run.acrossFrom = std::string(sourceFolder);
    run.acrossTo = std::string(destFolder);
    return true;
}

bool JournalBefore(TRunContext& run, bool historyOff, TRunIntent intent) {
    if (run.history.journal == nullptr)
        return false;
    // The intent reaches the kernel (write(2)) before the transfer starts: a killed run cannot
    // lose it. Only a power loss can, and within one file system that costs no byte: a renamed
    // file is in one of its two places, whole. A copy across file systems ends with the copy
    // taking its name and, for a move, the source being deleted, so there the intent is on the
    // disk before either: it goes there while the bytes are copied, and the transfer waits for
    // it once the copy is flushed (TransferOptions::beforePlacing). Not one flush for several
    // transfers: every intent names its target, which the transfers before it decide, so each
    // is written only right before its own transfer, and each is on the disk before its own
    // source can go. An fdatasync per rename would cost more than the rename itself in a run of
    // thousands of files.
    const bool durable = (intent.action == TIntentAction::Copy || intent.action == TIntentAction::Move) &&
                         AcrossFileSystems(run, intent.sourceFolder, intent.destFolder,
                                           JoinPath(intent.sourceFolder, intent.sourceName));
    return JournalIntent(run.history, std::move(intent), historyOff, run.settings, durable);
}

bool JournalDeletion(TRunContext& run, bool historyOff, const TPlacementEntry& entry, int mark,
                     std::string_view destFolder, std::string_view destName) {
    TRunIntent deletion;
    deletion.action = TIntentAction::Delete;
    deletion.mark = deletion.extMark = mark;
    deletion.sourceFolder = entry.sourceFolder;
    deletion.sourceName = entry.name;
    deletion.destFolder = std::string(destFolder);
    deletion.destName = deletion.extName = std::string(destName);
    return JournalBefore(run, historyOff, std::move(deletion));
}

namespace {

// A transfer of the entry to `p`, where the extension rules may rename it afterwards.
bool JournalTransfer(TRunContext& run, const TPlacementCondition& condition, const TPlacementEntry& entry,
                     std::string_view p, int mark, TIntentAction action) {
    if (run.history.journal == nullptr)
        return false;
    TRunIntent intent;
    intent.action = action;
    intent.mark = entry.isFolder ? kMarkFolder : mark;
    intent.sourceFolder = entry.sourceFolder;
    intent.sourceName = entry.name;
    intent.destFolder = FolderOf(p);
    intent.destName = LastComponent(p);
    intent.extName = intent.destName;
    intent.extMark = intent.mark;
    if (!condition.extChangeOff) {
        const std::string renamed = ExtensionRuleTarget(p, run.extRules);
        if (renamed != p) {
            intent.extName = LastComponent(renamed);
            intent.extMark = entry.isFolder ? kMarkFolder : kMarkExtChanged;
            intent.extTaken = run.files.Exists(renamed);
        }
    }
    return JournalBefore(run, condition.historyOff, std::move(intent));
}

} // namespace

void RecordResult(TRunContext& run, std::string_view destFolder, std::string_view name,
                  std::string_view sourceFolder, int markIndex, bool historyOff, const TRunItem& item) {
    std::string_view dest = destFolder;
    if (!dest.empty() && dest.back() == '\\')
        dest.remove_suffix(1);
    std::string_view source = sourceFolder;
    if (source.size() > 1 && source.back() == '\\')
        source.remove_suffix(1);
    run.ui.AddResultRow(
        {std::string(name), std::string(ActionMark(markIndex)), std::string(dest), std::string(source)});
    if (!WouldRecordHistory(run.history, historyOff, run.settings))
        return;
    // What the item is where it went, so that taking the run back finds that item and no other.
    TRunItem stamped = item;
    if (stamped.kind != TRunItemKind::Deleted && !stamped.stamp)
        stamped.stamp = run.files.ItemStampOf(JoinPath(destFolder, name));
    RecordHistory(run.history, destFolder, name, sourceFolder, markIndex, historyOff, run.settings, stamped);
}

// What follows a complete transfer: the extension rules and the record.
void Placed(TRunContext& run, const TPlacementCondition& condition, const TPlacementEntry& entry,
            std::string p, int mark, const TransferResult& result) {
    if (!condition.extChangeOff) {
        const std::string wanted = ExtensionRuleTarget(p, run.extRules);
        const std::string changed = ApplyExtensionRules(run.files, p, run.extRules);
        if (changed != p) {
            p = changed;
            mark = kMarkExtChanged;
        } else if (wanted != p) {
            run.ui.AddNote("[" + ToNativePath(p) + "] の拡張子を変更できませんでした。[" +
                           ToNativePath(wanted) + "] が既にあります。");
        }
    }
    if (entry.isFolder)
        mark = kMarkFolder;
    ++run.processed;
    TRunItem item(condition.copyMode ? TRunItemKind::Copied : TRunItemKind::Moved, entry.name);
    // The record keeps what stayed in the source folder, so that it is known where the rest is.
    item.stayedBehind = result.stayedBehind;
    RecordResult(run, FolderOf(p), LastComponent(p), entry.sourceFolder, mark, condition.historyOff, item);
    if (result.leftBehind())
        run.ui.AddNote(LeftBehindNote(entry.sourcePath, p, result.stayedBehind));
}

// After a transfer: on with the next entry, or the run ends when a cancel cleared the flag.
EntryOutcome Continued(TRunContext& run) {
    run.ui.EnableCancel();
    if (run.ui.ContinueFlag()) {
        run.ui.SetContinueFlag(false);
        return EntryOutcome::Next;
    }
    run.ui.PerformCancel();
    return EntryOutcome::EndRun;
}

EntryOutcome PlaceEntry(TRunContext& run, const TPlacementCondition& condition, TPlacementEntry entry) {
    const TAppSettings& settings = run.settings;
    std::string& d = entry.destFolder;
    std::string& p = entry.destPath;

    // Linux moves a read-only file without a word; with ReadOnly off the user is asked first, and
    // before anything at the destination is deleted for it.
    if (!condition.copyMode && !entry.isFolder && !settings.ReadOnly &&
        run.files.IsReadOnly(entry.sourcePath) &&
        run.box.Show(ReadOnlyQuestion(entry.sourcePath)) != MbAnswer::Yes)
        return EntryOutcome::Next;

    // The common case: a file under its own name into a folder this condition already has, on the
    // source's file system.
    if (!condition.copyMode && !entry.isFolder && !d.empty() && d == run.knownFolder &&
        !(entry.sourceFolder == run.acrossFrom && FolderOf(p) == run.acrossTo)) {
        const bool journaled = JournalTransfer(run, condition, entry, p, kMarkPlain, TIntentAction::Rename);
        if (run.files.MoveByRename(entry.sourcePath, p)) {
            run.ui.SetContinueFlag(true);
            Placed(run, condition, entry, p, kMarkPlain, TransferResult::Done());
            return Continued(run);
        }
        if (journaled)
            JournalNotDone(run.history);
    }

    int mark = kMarkPlain;
    int n = 1;
    auto renameTo = [&, name = SplitExtension(entry.name)] {
        p = JoinPath(d, name.first + "[" + std::to_string(n) + "]" + name.second);
    };
    for (;;) {
        // Same-name handling: find a free name or settle the collision.
        for (;; ++n) {
            if (!run.files.Exists(p)) {
                if (mark != kMarkRenamed)
                    mark = kMarkPlain;
                break;
            }
            // The entry already there may be the source itself under another name (a link either
            // way, a hard link): no rule may delete one of them for the other.
            if (run.files.IsSameItem(entry.sourcePath, p)) {
                run.ui.AddNote("[" + ToNativePath(entry.sourcePath) + "] は振り分け先の [" + ToNativePath(p) +
                               "] と同じファイルのため、振り分けませんでした。");
                return EntryOutcome::Next;
            }
            if (entry.isFolder) {
                renameTo();
                mark = kMarkFolder;
                continue;
            }
            if (condition.copyMode)
                return EntryOutcome::Next;
            if (mark == kMarkRenamed) {
                renameTo();
                continue;
            }
            const auto sourceSize = run.files.EntrySize(entry.sourcePath);
            const auto targetSize = run.files.EntrySize(p);
            if (!sourceSize || !targetSize)
                return EntryOutcome::Next;
            const SameNameRule rule = *sourceSize == *targetSize ? settings.SameName0 : settings.SameName1;
            if (rule == SameNameRule::Rename) {
                renameTo();
                mark = kMarkRenamed;
                continue;
            }
            if (rule != SameNameRule::KeepNewer && rule != SameNameRule::KeepOlder)
                return EntryOutcome::Next;
            // Keeping the newer or older one compares files; a folder in the file's way is never
            // deleted for it, and neither is anything whose time stamp cannot be read.
            const auto sourceTime = run.files.LastWriteTime(entry.sourcePath);
            const auto targetTime = run.files.LastWriteTime(p);
            if (run.files.FolderExists(p) || !sourceTime || !targetTime)
                return EntryOutcome::Next;
            const bool sourceNotOlder = PackedDateTime(*sourceTime) >= PackedDateTime(*targetTime);
            const bool keepTarget = rule == SameNameRule::KeepNewer ? !sourceNotOlder : sourceNotOlder;
            const int keptMark = rule == SameNameRule::KeepNewer ? kMarkNewer : kMarkOlder;
            if (keepTarget) {
                const bool journaled =
                    JournalDeletion(run, condition.historyOff, entry, keptMark, d, LastComponent(p));
                // A failed delete leaves the entry alone and records nothing.
                if (!DeleteForSameName(run.files, entry.sourcePath)) {
                    if (journaled)
                        JournalNotDone(run.history);
                    return EntryOutcome::Next;
                }
                ++run.processed;
                RecordResult(run, d, LastComponent(p), entry.sourceFolder, keptMark, condition.historyOff,
                             {TRunItemKind::Deleted, entry.name});
                return EntryOutcome::Next;
            }
            if (!DeleteForSameName(run.files, p))
                return EntryOutcome::Next;
            mark = keptMark;
            break;
        }

        // Destination folder.
        if (!run.files.Exists(entry.sourcePath))
            return EntryOutcome::Next;
        if (run.files.FolderExists(d)) {
            run.knownFolder = d;
            break;
        }
        const std::string nativeD = ToNativePath(d);
        if (!settings.MakeFolder) {
            const MbAnswer answer = run.box.Show(
                Question("振り分け条件キーワード [" + condition.keywords + "] の振り分け先フォルダ [" +
                         nativeD + "] が存在しません。フォルダを作成して振り分け処理を実行しますか？"));
            if (answer != MbAnswer::Yes)
                return EntryOutcome::EndFolder;
            if (ForceRunFolder(run.files, run.history, d)) {
                run.knownFolder = d;
                break;
            }
            run.box.Show(Error(std::string(kFolderNotMade)));
            ++n;
            continue;
        }
        if (ForceRunFolder(run.files, run.history, d)) {
            run.knownFolder = d;
            break;
        }
        run.box.Show(Error("振り分け条件キーワード [" + condition.keywords + "] の振り分け先フォルダ [" +
                           nativeD + "] を作成できませんでした。処理を中止します。"));
        return EntryOutcome::EndFolder;
    }

    // Transfer. An existing target is never replaced here: same-name handling settled it.
    TransferOptions options;
    options.noErrorDisplay = settings.FileUsing;
    options.noConfirmation = settings.ReadOnly;
    options.progressTitle = std::string(kTransferTitle);
    options.acrossFileSystems = AcrossFileSystems(run, entry.sourceFolder, FolderOf(p), entry.sourcePath);
    const bool journaled = JournalTransfer(run, condition, entry, p, mark,
                                           condition.copyMode ? TIntentAction::Copy : TIntentAction::Move);
    if (journaled)
        options.beforePlacing = [&run] { JournalWaitDurable(run.history); };
    run.ui.SetContinueFlag(true);
    const TransferResult result =
        run.files.Transfer(entry.sourcePath, p, condition.copyMode ? TransferMode::Copy : TransferMode::Move,
                           options, run.ui.TransferProgressWindow());
    if (journaled && !result.ok())
        JournalNotDone(run.history);

    if (result.ok()) {
        Placed(run, condition, entry, p, mark, result);
    } else {
        // A failed transfer is not recorded: the item is not where the record would say. A file
        // still being written is said in the notes even when errors are not shown.
        if (result.changedDuringCopy)
            run.ui.AddNote(ChangedDuringCopyNote(entry.sourcePath));
        if (result.outcome == TransferOutcome::Failed && !settings.FileUsing)
            run.box.Show({std::string(kTitle) + " - 振り分けエラー",
                          "[" + ToNativePath(entry.sourcePath) + "] を振り分けできませんでした。\n" +
                              TransferFailureText(result),
                          MbIcon::Error, MbButtons::Ok, MbAnswer::Ok});
        const MbAnswer answer = run.box.Show(Question(
            std::string("振り分け処理が中断されました。") + "振り分け処理をここで完全に中止しますか？" +
            "\n\n" + "中止する場合は [はい]" + "\n" + "継続する場合は [いいえ]  をクリックしてください。"));
        if (answer == MbAnswer::Yes)
            run.ui.SetContinueFlag(false);
    }

    return Continued(run);
}

} // namespace sv
