// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "doubles/scripted_message_box.h"
#include "engine/run.h"
#include "platform/digest_library.h"
#include "scripted_run_ui.h"
#include "store/condition.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sv::testing {

// A temporary tree with "src" as the main source folder, a condition list and scripted ports.
class RunFixture : public ::testing::Test {
protected:
    RunFixture();

    // Relative names use "/" and become path texts or native paths below the temporary folder.
    std::string P(std::string_view rel) const;
    std::string N(std::string_view rel) const { return dir.NativeFile(rel); }
    void Write(std::string_view rel, std::string_view bytes = "x") const;
    void Sparse(std::string_view rel, std::uint64_t size) const;
    void Folder(std::string_view rel) const;
    bool Has(std::string_view rel) const { return dir.Exists(rel); }
    std::string Read(std::string_view rel) const { return dir.ReadBytes(rel); }
    // Sets the last-write time, seconds since the epoch.
    void Stamp(std::string_view rel, std::int64_t seconds) const;

    TConditionFields Fields(std::string_view keywords, std::string_view destRel) const;
    void Add(const TConditionFields& fields);
    TRunOutcome Run(RunMode runMode = RunMode::AllConditions, int selected = -1);
    // The digest library a run loads: by default a file that does not exist, so that no run
    // depends on what the machine has installed.
    void UseDigestLibrary(const std::string& nativeFile);
    // The rows as "name|mark|dest relative to the temporary folder".
    std::vector<std::string> Rows() const;

    TempFolder dir;
    TConditionList list;
    TAppSettings settings;
    std::vector<TExtRule> rules;
    std::vector<std::string> sourceItems;
    std::vector<bool> checks;
    ScriptedRunUi ui;
    ScriptedMessageBox box;
    TPendingHistory history;
    TRunShared shared;
    std::unique_ptr<DigestLibrary> digest;
    // What the watch's notices would say of a file; empty as outside the watch.
    std::function<bool(std::string_view)> heldBack;
    std::function<void(std::string_view)> passedOverInUse;
    bool preview = false;
    bool previewUnattended = false;
};

} // namespace sv::testing
