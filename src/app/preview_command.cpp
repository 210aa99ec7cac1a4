// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preview_command.h"

#include "engine/run.h"
#include "engine/source_check.h"
#include "platform/pathtext.h"
#include "platform/write_lock.h"
#include "store/condition_file.h"
#include "store/settings.h"

#include <cstdio>

namespace sv {
namespace {

std::string Escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", byte);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out;
}

// The run window of the command line: rows to standard output, notes to standard error.
class ConsoleRunUi final : public RunUi {
public:
    ConsoleRunUi(std::FILE* out, std::FILE* err) : m_out(out), m_err(err) {}
    void SetTopmost() override {}
    void BeginRun(bool) override {}
    void FinishRun() override {}
    void SetCaption(std::string_view) override {}
    void SetStatus(std::string_view) override {}
    void SetCountLabel(std::string_view) override {}
    void SetProgress(int) override {}
    void AddResultRow(const TReportEntry& row) override {
        const std::string line = PreviewLine(row) + "\n";
        std::fputs(line.c_str(), m_out);
    }
    void AddNote(std::string_view note) override {
        std::fprintf(m_err, "Sorvanta: %s\n", Escaped(note).c_str());
    }
    void Repaint() override {}
    void LetEventsThrough() override {}
    bool CancelRequested() const override { return false; }
    void EnableCancel() override {}
    void PerformCancel() override {}
    TransferProgress* TransferProgressWindow() override { return nullptr; }

private:
    std::FILE* m_out;
    std::FILE* m_err;
};

void Fail(std::FILE* err, const std::string& text) {
    std::fprintf(err, "Sorvanta: %s\n", Escaped(text).c_str());
}

} // namespace

std::string PreviewLine(const TReportEntry& row) {
    // A deleted duplicate has "ごみ箱" or "削除" where the folder would be.
    const bool folder = row.dest.empty() || row.dest.front() == '\\';
    const std::string destination = folder ? ToNativePath(JoinPath(row.dest, row.name)) : row.dest;
    return Escaped(row.mark) + "\t" + Escaped(row.name) + "\t" + Escaped(ToNativePath(row.source)) + "\t" +
           Escaped(destination);
}

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

    TRunRequest request{.conditions = list, .settings = settings, .extRules = settings.ExtRules};
    request.runMode = kRunAllConditions;
    request.sourceText = settings.Source;
    request.sourceItems = settings.SourceHistory;
    request.preview = true;
    ConsoleRunUi ui(out, err);
    ScriptedMessageBox unused; // a test run shows no box
    TRunShared shared;
    TPendingHistory history;
    const TRunOutcome outcome = PerformSortRun(request, shared, ui, unused, history);
    std::fflush(out);
    std::fprintf(err, "Sorvanta: テスト実行が完了しました（%d 個）。ファイルは移動していません。\n",
                 outcome.processed);
    return 0;
}

} // namespace sv
