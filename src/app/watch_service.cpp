// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/watch_service.h"

#include "app/command_line.h"
#include "app/console_run.h"
#include "app/watch_controller.h"
#include "engine/source_check.h"
#include "engine/watch_folders.h"
#include "platform/pathtext.h"
#include "platform/quit_signals.h"
#include "store/condition_file.h"
#include "store/run_journal.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>

namespace sv {
namespace {

// How often the service looks whether the data folder is free, and whether the data files
// changed; how long after a hand-over it leaves the folder to the desktop program alone.
constexpr int kClaimIntervalMs = 1000;
constexpr int kDataIntervalMs = 2000;
constexpr std::int64_t kHandOverGraceMs = 10000;
// Events go through during a run once this many milliseconds have passed, as in the run window.
constexpr int kEventIntervalMs = 15;

FolderHolder HolderOf(const SingleInstance::Holder& holder) {
    if (!holder.known)
        return FolderHolder::Unknown;
    switch (holder.role) {
    case SingleInstance::Role::Window:
        return FolderHolder::Window;
    case SingleInstance::Role::OneShot:
        return FolderHolder::OneShot;
    case SingleInstance::Role::Service:
        return FolderHolder::Service;
    }
    return FolderHolder::Unknown;
}

} // namespace

WatchService::WatchService(TServiceEnv env, QObject* parent)
    : QObject(parent), m_env(std::move(env)), m_instance(m_env.lockedFolder),
      m_quitSignals(std::make_unique<QuitSignals>()), m_claimTimer(new QTimer(this)),
      m_dataTimer(new QTimer(this)), m_periodicTimer(new QTimer(this)), m_watchTimer(new QTimer(this)) {
    m_instance.SetRole(SingleInstance::Role::Service);
    connect(m_quitSignals.get(), &QuitSignals::QuitRequested, this, [this] { StopRequested(); });
    connect(&m_instance, &SingleInstance::HandOverRequested, this, [this] { HandOverRequested(); });
    m_claimTimer->setInterval(kClaimIntervalMs);
    connect(m_claimTimer, &QTimer::timeout, this, [this] { ClaimTick(); });
    m_dataTimer->setInterval(kDataIntervalMs);
    connect(m_dataTimer, &QTimer::timeout, this, [this] { DataTick(); });
    m_periodicTimer->setSingleShot(true);
    connect(m_periodicTimer, &QTimer::timeout, this, [this] { PeriodicTick(); });

    WatchHost host;
    host.folders = [this] {
        TRunRequest request{
            .conditions = m_list, .settings = m_settings, .extRules = m_settings.ExtRules, .files = Disk()};
        request.sourceText = m_settings.Source;
        request.sourceItems = m_settings.SourceHistory;
        return WatchedSourceFolders(request);
    };
    host.mayRun = [this] { return m_state == State::Working && !m_running && !m_stopRequested; };
    host.run = [this] { Run(true); };
    host.tell = [this](const std::string& text) {
        Say(text);
        if (m_state == State::Working && !m_schedule.Armed()) {
            m_schedule.Arm(Now());
            ArmPeriodic();
        }
    };
    m_watch = new WatchController(std::move(host), m_watchTimer, this);
}

WatchService::~WatchService() = default;

void WatchService::Say(const std::string& text) {
    std::fprintf(m_env.err, "Sorvanta: %s\n", EscapedLine(text).c_str());
    std::fflush(m_env.err);
}

// A problem that stays is said once; said again once it went and came back.
void WatchService::SayOnce(const std::string& text) {
    if (m_said.insert(text).second)
        Say(text);
}

std::int64_t WatchService::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool WatchService::Begin() {
    if (m_instance.Claim(SingleInstance::Request::Who)) {
        if (!m_instance.Problem().isEmpty())
            std::fprintf(m_env.err, "%s\n", m_instance.Problem().toUtf8().constData());
        Resume();
        return true;
    }
    const FolderHolder holder = HolderOf(m_instance.HolderFound());
    if (holder == FolderHolder::Service) {
        std::fputs(
            BusyFolderLine(holder, m_instance.HolderFound().pid, m_env.lockedFolder.toStdString()).c_str(),
            m_env.err);
        m_exitStatus = kExitFolderBusy;
        return false;
    }
    Say("データフォルダ " + m_env.lockedFolder.toStdString() +
        " を別の Sorvanta が使用中です。終了するのを待ってから振り分けを始めます。");
    m_state = State::Waiting;
    m_claimTimer->start();
    return true;
}

void WatchService::ClaimTick() {
    if (m_state == State::Working || (m_state == State::HandedOver && Now() < m_waitUntil))
        return;
    if (m_instance.Claim(SingleInstance::Request::Who)) {
        m_claimTimer->stop();
        Say("データフォルダが空いたため、振り分けを再開します。");
        Resume();
        return;
    }
    if (HolderOf(m_instance.HolderFound()) == FolderHolder::Service) {
        // Another service took it meanwhile: one is enough.
        std::fputs(BusyFolderLine(FolderHolder::Service, m_instance.HolderFound().pid,
                                  m_env.lockedFolder.toStdString())
                       .c_str(),
                   m_env.err);
        m_exitStatus = kExitFolderBusy;
        QCoreApplication::exit(m_exitStatus);
    }
}

// The folder is ours: what a dead run left is recovered first, as at every start.
void WatchService::Resume() {
    m_state = State::Working;
    m_said.clear();
    TJournalRecovery recovery;
    const Status recovered = RecoverRunJournal(m_env.dataFolder, recovery);
    if (const std::optional<MessageBoxRequest> notice = JournalRecoveryNotice(recovered, recovery))
        UnattendedMessageBox(m_env.err).Show(*notice);
    Reload();
    Say("データフォルダ " + m_env.lockedFolder.toStdString() + " で振り分けを始めます（到着時：" +
        (m_settings.WatchSource ? std::to_string(m_settings.WatchWait) + "秒間変化がなければ実行"
                                : std::string("オフ")) +
        "、定周期実行：" +
        (m_settings.CycleExec ? std::to_string(m_settings.CycleExecTime) + "分毎" : std::string("オフ")) +
        "）。");
    m_watch->Configure(m_settings.WatchWait, m_settings.FileUsing ? m_settings.FileUsingWait * 60 : 0,
                       m_settings.CycleExecTime);
    // What arrived while nobody watched counts as just arrived.
    if (m_settings.WatchSource)
        m_watch->Start(true);
    ApplySettings();
    m_dataTimer->start();
}

void WatchService::Reload() {
    m_iniStamp = StampOf(m_env.dataFolder + m_env.iniFileName);
    m_conditionStamp = StampOf(m_env.dataFolder + std::string(kConditionFileName));
    m_settings = LoadSettings(m_env.dataFolder, m_env.iniFileName);
    TConditionList list;
    // Read only: an unreadable file stays where it is, for the desktop program to deal with.
    const ConditionLoad load = LoadConditions(m_env.dataFolder, list, false);
    if (load.unreadable)
        SayOnce(std::string(kConditionFileName) + " を読み込めませんでした。" + load.error +
                "（読み込めるようになるまで振り分けません）");
    m_list = list;
}

bool WatchService::DataChanged() const {
    return StampOf(m_env.dataFolder + m_env.iniFileName) != m_iniStamp ||
           StampOf(m_env.dataFolder + std::string(kConditionFileName)) != m_conditionStamp;
}

// Settings and conditions changed by an editor or the desktop program are taken before the next
// run; the folders to watch may have changed with them.
void WatchService::DataTick() {
    if (m_state != State::Working || m_running || !DataChanged())
        return;
    const bool watched = m_settings.WatchSource;
    Reload();
    Say("データファイルの変更を読み込みました。");
    m_watch->Configure(m_settings.WatchWait, m_settings.FileUsing ? m_settings.FileUsingWait * 60 : 0,
                       m_settings.CycleExecTime);
    if (m_settings.WatchSource && !watched)
        m_watch->Start();
    else if (!m_settings.WatchSource)
        m_watch->Stop();
    else
        m_watch->Refresh();
    ApplySettings();
}

void WatchService::ApplySettings() {
    m_schedule.SetPeriodMinutes(m_settings.CycleExecTime);
    const bool periodic = m_settings.CycleExec || m_watch->PeriodicFallback();
    if (periodic && !m_schedule.Armed())
        m_schedule.Arm(Now());
    else if (!periodic)
        m_schedule.Disarm();
    ArmPeriodic();
    if (!m_settings.WatchSource && !m_settings.CycleExec)
        SayOnce("振り分け元フォルダの監視（WatchSource）も定周期実行（CycleExec）もオフのため、"
                "設定が変わるまで振り分けません。");
}

void WatchService::ArmPeriodic() {
    const std::optional<std::int64_t> remaining = m_schedule.Remaining(Now());
    if (!remaining) {
        m_periodicTimer->stop();
        return;
    }
    constexpr std::int64_t kLongest = 24LL * 60 * 60 * 1000;
    m_periodicTimer->start(static_cast<int>(std::min(*remaining, kLongest)));
}

void WatchService::PeriodicTick() {
    if (m_state != State::Working || m_running)
        return;
    if (!m_schedule.Due(Now())) {
        ArmPeriodic();
        return;
    }
    Run(false);
}

void WatchService::LetEventsThrough() {
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEventIntervalMs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceEvents.start();
}

void WatchService::Run(bool onArrival) {
    if (m_running || m_state != State::Working)
        return;
    m_running = true;
    m_schedule.Disarm();
    m_periodicTimer->stop();
    if (DataChanged()) {
        Reload();
        Say("データファイルの変更を読み込みました。");
    }
    const TSourceCheck check =
        CheckSourceFolders(m_settings.ExecAll, m_settings.SourceHistory, m_settings.Source);
    if (!check.ok()) {
        m_folderProblem = check.message;
        SayOnce(check.message);
        m_running = false;
        AfterRun();
        return;
    }
    // A folder problem that went away is said again should it come back.
    m_said.erase(m_folderProblem);
    TRunRequest request{
        .conditions = m_list, .settings = m_settings, .extRules = m_settings.ExtRules, .files = Disk()};
    request.runMode = RunMode::AllConditions;
    request.sourceText = m_settings.Source;
    request.sourceItems = m_settings.SourceHistory;
    const bool watching = m_watch->Active();
    if (watching) {
        m_watch->RunStarting();
        request.heldBack = [this](std::string_view pathText) { return m_watch->Holds(pathText); };
        request.passedOverInUse = [this](std::string_view pathText) { m_watch->PassedOver(pathText); };
    }
    ConsoleRunUi ui(nullptr, m_env.err);
    ui.letEventsThrough = [this] { LetEventsThrough(); };
    ui.cancelRequested = [this] { return m_stopRequested || m_handOverRequested; };
    UnattendedMessageBox box(m_env.err);
    m_ui = &ui;
    m_sinceEvents.invalidate();
    const TConsoleRunOutcome outcome =
        RunWithoutWindow(request, m_env.dataFolder, m_env.iniFileName, m_shared, ui, box);
    m_ui = nullptr;
    if (watching)
        m_watch->RunEnded();
    std::string line = onArrival ? "到着したファイルを振り分けました。" : "定周期実行で振り分けました。";
    line += ProcessedCountLabel(outcome.run.processed);
    if (outcome.run.cancelled)
        line += "（途中で止めました）";
    Say(line);
    if (!outcome.saved)
        Say("振り分け履歴を保存できませんでした。" + outcome.saveError +
            "（記録は History.dat.journal に残り、次の起動で History.dat に加えます）");
    m_running = false;
    AfterRun();
}

void WatchService::AfterRun() {
    if (m_stopRequested) {
        Finish();
        return;
    }
    if (m_handOverRequested) {
        HandOver();
        return;
    }
    if (m_settings.CycleExec || m_watch->PeriodicFallback())
        m_schedule.Arm(Now());
    ArmPeriodic();
}

// Stopped: the item in hand is finished (a transfer under way completes), the records are saved
// and the journal goes; then the program ends.
void WatchService::StopRequested() {
    m_stopRequested = true;
    if (m_running) {
        if (m_ui != nullptr)
            m_ui->SetContinueFlag(false);
        return;
    }
    Finish();
}

void WatchService::HandOverRequested() {
    if (m_state != State::Working)
        return;
    m_handOverRequested = true;
    if (m_running) {
        if (m_ui != nullptr)
            m_ui->SetContinueFlag(false);
        return;
    }
    HandOver();
}

// The desktop program takes the folder over: the service lets go of it after its records are
// saved, and takes it back once the desktop program has ended.
void WatchService::HandOver() {
    m_handOverRequested = false;
    m_watch->Stop();
    m_schedule.Disarm();
    m_periodicTimer->stop();
    m_dataTimer->stop();
    m_instance.Release();
    m_state = State::HandedOver;
    m_waitUntil = Now() + kHandOverGraceMs;
    Say("デスクトップの Sorvanta にデータフォルダを引き渡しました。終了するのを待って再開します。");
    m_claimTimer->start();
}

void WatchService::Finish() {
    m_watch->Stop();
    m_claimTimer->stop();
    m_dataTimer->stop();
    m_periodicTimer->stop();
    Say("終了します。");
    QCoreApplication::exit(m_exitStatus);
}

int RunWatchService(const TServiceEnv& env) {
    WatchService service(env);
    if (!service.Begin())
        return service.ExitStatus();
    const int status = QCoreApplication::exec();
    return status != 0 ? status : service.ExitStatus();
}

} // namespace sv
