// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/tray_logic.h"

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "store/history_file.h"

#include <algorithm>

namespace sv {
namespace {

// The tip without the cut; the line feed separates the count line.
std::string FullTip(const TTrayState& state) {
    if (state.leakWarning)
        return std::string(kLeakCaption);
    if (state.autoRun)
        return std::string(kRunningTip);
    std::string tip = PeriodicTip(state.cycleExec, state.cycleExecTime);
    if (state.watching)
        tip += state.cycleExec ? "・監視中" : " - フォルダ監視中";
    if (!state.watchProblem.empty())
        tip += "\n" + state.watchProblem;
    if ((state.cycleExec || state.watching) && state.completionCount > 0)
        tip += "\n新規処理ファイル(フォルダ)数：" + std::to_string(state.completionCount) + "個";
    return tip;
}

} // namespace

std::string CutTrayTip(std::string_view text) {
    std::string tip = Cp932Truncate(text, kTrayTipMaxBytes);
    // A cut that leaves only the line feed of the next line leaves nothing of it.
    while (!tip.empty() && tip.back() == '\n' && tip.size() < text.size())
        tip.pop_back();
    return tip;
}

std::string PeriodicTip(bool cycleExec, int minutes) {
    std::string tip(kPlainCaption);
    if (cycleExec)
        tip += " - 定周期実行：" + std::to_string(minutes) + "分毎";
    return tip;
}

std::string TrayTip(const TTrayState& state) {
    return CutTrayTip(FullTip(state));
}

std::string TrayTipOneLine(const TTrayState& state) {
    std::string tip = FullTip(state);
    std::replace(tip.begin(), tip.end(), '\n', ' ');
    return tip;
}

TrayIcon NextTrayIcon(const TTrayState& state, TrayIcon shown) {
    if (state.autoRun)
        return TrayIcon::Running;
    if (state.leakWarning)
        return shown == TrayIcon::Leak ? TrayIcon::Program : TrayIcon::Leak;
    if (state.completionCount == 0 || state.noticeMuted)
        return TrayIcon::Program;
    return shown == TrayIcon::Notice ? TrayIcon::Program : TrayIcon::Notice;
}

TrayAction TrayClickAction(const TTrayState& state, TrayClick click) {
    if (state.autoRun || state.runActive)
        return TrayAction::None;
    switch (click) {
    case TrayClick::Left:
        return TrayAction::Restore;
    case TrayClick::Right:
        return TrayAction::ShowMenu;
    case TrayClick::Other:
        break;
    }
    return TrayAction::None;
}

TTrayMenuStates TrayMenuStates(const TTrayState& state) {
    TTrayMenuStates states;
    states.commands = !state.autoRun && !state.runActive;
    states.reset = states.commands && state.completionCount != 0;
    return states;
}

bool PeriodicRunAllowed(const TTrayState& state) {
    return (state.cycleExec || state.periodicFallback) && state.inTray && !state.runActive;
}

std::string LeakFilePath(std::string_view nyFolder) {
    return std::string(nyFolder) + "\\UpFolder.txt";
}

bool LeakWarningHolds(bool ny, std::string_view nyFolder) {
    // An empty folder text names no folder: without this the check would look at the root.
    if (!ny || nyFolder.empty())
        return false;
    return FileExists(LeakFilePath(nyFolder)) && FolderExists(nyFolder);
}

std::string MainCaption(const TTrayState& state, bool startCaptionPending, bool trayFallback) {
    if (startCaptionPending)
        return std::string(kStartMinCaption);
    if (state.leakWarning)
        return std::string(kLeakCaption);
    if (trayFallback && state.inTray)
        return TrayTipOneLine(state);
    return std::string(kPlainCaption);
}

std::optional<std::string> CompletionNoticeText(int processed, int completionCount, bool onArrival) {
    if (processed <= 0)
        return std::nullopt;
    std::string text = std::string(onArrival ? "振り分け元フォルダに届いた " : "定周期振り分けで ") +
                       std::to_string(processed) + " 個のファイル(フォルダ)を振り分けました。";
    if (completionCount > processed)
        text += "\n通知領域に入ってからの合計：" + std::to_string(completionCount) + " 個";
    return text;
}

bool HistoryWindowOnRestore(int completionCount, std::string_view programFolder) {
    return completionCount != 0 && IsNonEmptyReadWriteFile(JoinPath(programFolder, kHistoryFileName));
}

void TPeriodicSchedule::SetPeriodMinutes(int minutes) {
    m_periodMs = static_cast<std::int64_t>(std::max(minutes, 1)) * 60000;
}

void TPeriodicSchedule::Arm(std::int64_t now) {
    m_due = now + m_periodMs;
}

std::optional<std::int64_t> TPeriodicSchedule::Remaining(std::int64_t now) const {
    if (!m_due)
        return std::nullopt;
    return std::max<std::int64_t>(*m_due - now, 0);
}

} // namespace sv
