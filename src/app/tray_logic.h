// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the tray, the periodic runs and the leak warning decide, kept apart from the window so that
// every rule can be tested without a display, a tray host or minutes of waiting.
namespace sv {

// A tray tip holds at most this many bytes of code page 932 text.
inline constexpr std::size_t kTrayTipMaxBytes = 63;

inline constexpr std::string_view kPlainCaption = "Sorvanta";
inline constexpr std::string_view kStartMinCaption = "Sorvanta - 最小化します...";
inline constexpr std::string_view kLeakCaption = "Sorvanta - Winnyで情報が流出している可能性があります！";
inline constexpr std::string_view kRunningTip =
    "Sorvanta - 定周期振り分け実行中。終わるまで待っててください...";

// The main window's flags that the tray reads, and the options that go with them.
struct TTrayState final {
    bool inTray = false;
    bool autoRun = false;   // an automatic run is in progress
    bool runActive = false; // a run of all conditions or the about box is shown
    bool noticeMuted = true;
    int completionCount = 0;
    bool leakWarning = false;
    bool cycleExec = false;
    int cycleExecTime = 10;
    // Sorting on arrival: the source folders are watched.
    bool watching = false;
    // A source folder could not be watched: periodic runs stand in, also with CycleExec off.
    bool periodicFallback = false;
    // What could not be watched, said in the tip until the next automatic run (empty: nothing).
    std::string watchProblem;
};

// Cuts a tip to kTrayTipMaxBytes bytes of code page 932 without splitting a character.
std::string CutTrayTip(std::string_view text);

// "Sorvanta", with " - 定周期実行：n分毎" when periodic runs are on: the tip of going to the tray.
std::string PeriodicTip(bool cycleExec, int minutes);

// The tip while the icon is in the tray: the leak warning, else the automatic run, else the
// periodic tip (with "監視中" while the source folders are watched), a folder that could not be
// watched and the count line once something was sorted. Cut to fit.
std::string TrayTip(const TTrayState& state);

// The tip as one line, for a task-bar caption where no tray exists (not cut).
std::string TrayTipOneLine(const TTrayState& state);

enum class TrayIcon { Program, Notice, Running, Leak };

// The icon of the next half-second tick, given the one shown now: the automatic run's, else the
// leak warning blinking with the program's, else the completion notice blinking once something was
// sorted and the notice is not muted, else the program's.
TrayIcon NextTrayIcon(const TTrayState& state, TrayIcon shown);

enum class TrayClick { Left, Right, Other };
enum class TrayAction { None, Restore, ShowMenu };

// Clicks are ignored during an automatic run and while a run or the about box is shown.
TrayAction TrayClickAction(const TTrayState& state, TrayClick click);

struct TTrayMenuStates final {
    bool commands = false; // 元のサイズに戻す, 全ての条件で振り分け実行, バージョン情報, 終了
    bool reset = false; // 振り分け完了通知をクリア: only while something is counted
};

// The tray menu can be opened by the tray host on its own (a StatusNotifierItem host shows it
// without asking the program), so its items are what make clicks during a run do nothing.
TTrayMenuStates TrayMenuStates(const TTrayState& state);

// Whether a tick of the periodic timer starts a run: periodic runs on (or standing in for a
// folder that could not be watched), in the tray, no run shown.
bool PeriodicRunAllowed(const TTrayState& state);

// UpFolder.txt in the Winny folder: a backslash is always put between.
std::string LeakFilePath(std::string_view nyFolder);

// The leak check: the option on, the Winny folder a folder and UpFolder.txt in it. Only that the
// file exists counts; it is not read.
bool LeakWarningHolds(bool ny, std::string_view nyFolder);

// The main window's caption after a half-second tick. The start caption of a minimised start stays
// until the window has gone to the tray; then the leak warning, else (without a tray, where the
// minimised window stands for the tray icon) what the tip would say, else "Sorvanta".
std::string MainCaption(const TTrayState& state, bool startCaptionPending, bool trayFallback);

// The desktop notification of an automatic run that sorted something (a periodic one, or one
// `onArrival` of files in a watched folder); nothing for a run that sorted nothing. `processed` is
// this run's count, `completionCount` what was sorted since the window went to the tray.
std::optional<std::string> CompletionNoticeText(int processed, int completionCount, bool onArrival = false);

// Restoring after periodic runs sorted something shows the history window, when History.dat in
// the program folder exists, can be opened for reading and writing and is not empty.
bool HistoryWindowOnRestore(int completionCount, std::string_view programFolder);

// When the next periodic run is due, on a monotonic clock in milliseconds: one full period after
// it was armed, which is when the window went to the tray or when the previous run ended.
class TPeriodicSchedule final {
public:
    void SetPeriodMinutes(int minutes);
    std::int64_t PeriodMs() const { return m_periodMs; }
    void Arm(std::int64_t now);
    void Disarm() { m_due.reset(); }
    bool Armed() const { return m_due.has_value(); }
    bool Due(std::int64_t now) const { return m_due && now >= *m_due; }
    // Milliseconds until the run is due (0 when it is), nothing while disarmed.
    std::optional<std::int64_t> Remaining(std::int64_t now) const;

private:
    std::int64_t m_periodMs = 10 * 60000;
    std::optional<std::int64_t> m_due;
};

} // namespace sv
