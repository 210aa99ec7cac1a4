// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preview_command.h"

#include "engine/run.h"
#include "engine/source_check.h"
#include "platform/dry_run.h"
#include "platform/pathtext.h"
#include "platform/write_lock.h"
#include "store/condition_file.h"
#include "store/settings.h"

#include <cstdio>

namespace sv {
namespace {

// The run of a test shows its boxes as notes of its own; this one is never asked.
class NoMessageBox final : public MessageBox {
public:
    MbAnswer Show(const MessageBoxRequest& request) override { return request.defaultButton; }
};

void Fail(std::FILE* err, const std::string& text) {
    std::fprintf(err, "Sorvanta: %s\n", EscapedLine(text).c_str());
}

} // namespace

int RunPreviewCommand(std::string_view dataFolder, std::string_view iniFileName, std::FILE* out,
                      std::FILE* err) {
    // The dry run is what keeps the files where they are; the kernel's lock is the safety net.
    if (const Status locked = DenyFileSystemWrites(); !locked)
        Fail(err, locked.error());

    const TAppSettings settings = LoadSettings(dataFolder, iniFileName);
    TConditionList list;
    const ConditionLoad load = LoadConditions(dataFolder, list, false);
    if (load.unreadable) {
        Fail(err, std::string(kConditionFileName) + " を読み込めませんでした。" + load.error);
        return 1;
    }
    const TSourceCheck check = CheckSourceFolders(settings.ExecAll, settings.SourceHistory, settings.Source);
    if (!check.ok()) {
        Fail(err, check.message);
        return 1;
    }

    DryRun dry;
    TRunRequest request{
        .conditions = list, .settings = settings, .extRules = settings.ExtRules, .files = dry};
    request.runMode = RunMode::AllConditions;
    request.sourceText = settings.Source;
    request.sourceItems = settings.SourceHistory;
    request.preview = true;
    request.previewUnattended = true;
    ConsoleRunUi ui(out, err);
    NoMessageBox unused;
    TRunShared shared;
    TPendingHistory history;
    const TRunOutcome outcome = PerformSortRun(request, shared, ui, unused, history);
    std::fflush(out);
    std::fprintf(err, "Sorvanta: テスト実行が完了しました（%d 個）。ファイルは移動していません。\n",
                 outcome.processed);
    return 0;
}

} // namespace sv
