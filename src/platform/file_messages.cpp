// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_messages.h"

#include <cerrno>
#include <cstring>

namespace sv {
namespace {

// The error numbers a sorting run meets in practice; any other keeps the system's message.
const char* SystemReason(int code) {
    switch (code) {
    case ENOENT:
        return "ファイルまたはフォルダが見つかりません";
    case EACCES:
    case EPERM:
        return "アクセスが拒否されました";
    case EEXIST:
        return "同じ名前の項目が既にあります";
    case ENOSPC:
        return "ディスクの空き領域が不足しています";
    case EDQUOT:
        return "ディスクの使用量の上限に達しました";
    case EROFS:
        return "読み取り専用のドライブです";
    case EXDEV:
        return "別のドライブへは名前の変更だけでは移動できません";
    case ENOTDIR:
        return "パスの途中にフォルダではない項目があります";
    case EISDIR:
        return "フォルダです";
    case ENOTEMPTY:
        return "フォルダが空ではありません";
    case ENAMETOOLONG:
        return "名前が長すぎます";
    case EBUSY:
    case ETXTBSY:
        return "使用中です";
    case EIO:
        return "読み書きの途中でエラーが発生しました";
    case ELOOP:
        return "シンボリックリンクの参照が多すぎます";
    case EFBIG:
        return "ファイルが大きすぎます";
    case ENOMEM:
        return "メモリが不足しています";
    case EMFILE:
    case ENFILE:
        return "開いているファイルが多すぎます";
    default:
        return nullptr;
    }
}

const char* FaultReason(FileFault fault) {
    switch (fault) {
    case FileFault::System:
        break;
    case FileFault::Exists:
        return "同じ名前の項目が既にあります";
    case FileFault::IntoItself:
        return "フォルダをそのフォルダ自身の中へは移せません";
    case FileFault::OntoItself:
        return "移動先が元の項目そのものです";
    case FileFault::Changed:
        return "コピーしている間に変更されました";
    case FileFault::WrongSize:
        return "コピーの大きさが元のファイルと一致しません";
    case FileFault::Cancelled:
        return "中止されました";
    case FileFault::Unsupported:
        return "ファイル、フォルダ、シンボリックリンクのいずれでもありません";
    case FileFault::NoTrash:
        return "ごみ箱の場所が分かりません";
    case FileFault::NoFreeName:
        return "ごみ箱に空いている名前がありません";
    case FileFault::NoSpareName:
        return "控えに付けられる名前が残っていません";
    }
    return nullptr;
}

// "を移動できませんでした", said of the item in brackets.
const char* Failed(FileOp op) {
    switch (op) {
    case FileOp::Examine:
        return "の情報を読み取れませんでした";
    case FileOp::Open:
        return "を開けませんでした";
    case FileOp::Read:
        return "を読み込めませんでした";
    case FileOp::Create:
        return "を作成できませんでした";
    case FileOp::Write:
        return "に書き込めませんでした";
    case FileOp::Flush:
        return "をディスクに書き込めませんでした";
    case FileOp::SetPermissions:
        return "のアクセス許可を設定できませんでした";
    case FileOp::ReadLink:
        return "のリンク先を読み取れませんでした";
    case FileOp::Copy:
        return "をコピーできませんでした";
    case FileOp::Move:
        return "を移動できませんでした";
    case FileOp::Rename:
        return "の名前を変更できませんでした";
    case FileOp::Delete:
        return "を削除できませんでした";
    case FileOp::MakeFolder:
        return "を作成できませんでした";
    case FileOp::Trash:
        return "をごみ箱へ移動できませんでした";
    }
    return "を処理できませんでした";
}

} // namespace

std::string SystemErrorReason(int code) {
    if (const char* text = SystemReason(code))
        return text;
    return std::strerror(code);
}

std::string FileErrorReason(const FileError& error) {
    if (error.fault != FileFault::System)
        return FaultReason(error.fault);
    return SystemErrorReason(error.code);
}

std::string FileErrorText(const FileError& error) {
    const std::string item = (error.op == FileOp::MakeFolder ? "フォルダ [" : "[") + error.path + "] ";
    return item + Failed(error.op) + "（" + FileErrorReason(error) + "）。";
}

Status FailureStatus(const FileStatus& status) {
    return status ? Status() : Status::Fail(FileErrorText(status.error()));
}

std::string TransferFailureText(const TransferResult& result) {
    return result.error ? FileErrorText(*result.error) : std::string();
}

} // namespace sv
