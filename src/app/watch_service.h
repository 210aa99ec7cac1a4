// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/tray_logic.h"
#include "engine/run.h"
#include "platform/files.h"
#include "platform/single_instance.h"
#include "store/condition_list.h"
#include "store/settings.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

class QTimer;

namespace sv {

class ConsoleRunUi;
class QuitSignals;
class WatchController;

struct TServiceEnv final {
    std::string dataFolder; // path text with a trailing backslash
    std::string iniFileName = "Sorvanta.ini";
    QString lockedFolder; // the data folder as a native path, for the single-instance lock
    std::FILE* err = stderr;
};

// "sorvanta --watch": the background service. No window and no display: it loads the data files
// as the desktop program does and sorts on arrival (WatchSource, WatchWait) and periodically
// (CycleExec, CycleExecTime) with the tray's engine, answers every question as "/a" does, journals
// and keeps the history, and goes on until it is stopped. It never writes Sorvanta.ini or
// Condition.txt; changes made to them while it runs are read before its next run.
//
// One data folder, one process that writes it: while another Sorvanta holds the folder the
// service waits, and a desktop start may ask it to hand over (it saves, lets go and waits until
// the folder is free again). SIGTERM and SIGINT end it after the item in hand, with the records
// saved and the journal removed. One line per run and per problem goes to standard error.
class WatchService final : public QObject {
public:
    explicit WatchService(TServiceEnv env, QObject* parent = nullptr);
    ~WatchService() override;

    // Claims the data folder or waits for it. False when another service already has it.
    bool Begin();
    int ExitStatus() const { return m_exitStatus; }

private:
    enum class State { Waiting, Working, HandedOver };

    void Say(const std::string& text);
    void SayOnce(const std::string& text);
    std::int64_t Now() const;
    void ClaimTick();
    void Resume();
    void Reload();
    bool DataChanged() const;
    void DataTick();
    void ApplySettings();
    void ArmPeriodic();
    void PeriodicTick();
    void Run(bool onArrival);
    void AfterRun();
    void StopRequested();
    void HandOverRequested();
    void HandOver();
    void Finish();
    void LetEventsThrough();

    TServiceEnv m_env;
    SingleInstance m_instance;
    std::unique_ptr<QuitSignals> m_quitSignals;
    QTimer* m_claimTimer;
    QTimer* m_dataTimer;
    QTimer* m_periodicTimer;
    QTimer* m_watchTimer;
    WatchController* m_watch;
    TPeriodicSchedule m_schedule;
    State m_state = State::Waiting;
    std::int64_t m_waitUntil = 0; // after a hand-over: the desktop program's turn
    TAppSettings m_settings;
    TConditionList m_list;
    FileStamp m_iniStamp;
    FileStamp m_conditionStamp;
    TRunShared m_shared;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_handOverRequested = false;
    ConsoleRunUi* m_ui = nullptr; // the run under way
    QElapsedTimer m_sinceEvents;
    std::set<std::string> m_said;
    std::string m_folderProblem;
    int m_exitStatus = 0;
};

// The service until it is stopped; returns the exit status. Needs a QCoreApplication.
int RunWatchService(const TServiceEnv& env);

} // namespace sv
