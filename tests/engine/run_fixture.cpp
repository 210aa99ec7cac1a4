// SPDX-License-Identifier: GPL-3.0-or-later
#include "run_fixture.h"

#include "platform/pathtext.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace sv::testing {

void ScriptedRunUi::BeginRun(bool) {
    ++begun;
    rows.clear();
    m_okEnabled = false;
}

void ScriptedRunUi::FinishRun() {
    ++finished;
    m_okEnabled = true;
}

void ScriptedRunUi::LetEventsThrough() {
    ++eventCalls;
    if (onEvents)
        onEvents(eventCalls);
}

void ScriptedRunUi::PerformCancel() {
    ++cancelActions;
    PressCancel();
}

void ScriptedRunUi::PressCancel() {
    if (ContinueFlag())
        SetContinueFlag(false);
    else
        m_okEnabled = true;
}

RunFixture::RunFixture() {
    // Tests opt into questions and the /proc scan where they are the subject.
    settings.MakeFolder = true;
    settings.FileUsing = false;
    Folder("src");
    UseDigestLibrary(N("no-such-library/libmd5.so"));
}

void RunFixture::UseDigestLibrary(const std::string& nativeFile) {
    digest = std::make_unique<DigestLibrary>(nativeFile);
}

std::string RunFixture::P(std::string_view rel) const {
    return dir.PathText() + FromNativePath(rel);
}

void RunFixture::Write(std::string_view rel, std::string_view bytes) const {
    std::filesystem::create_directories(std::filesystem::path(N(rel)).parent_path());
    dir.WriteBytes(rel, bytes);
}

void RunFixture::Sparse(std::string_view rel, std::uint64_t size) const {
    const int fd = ::open(N(rel).c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    ::close(fd);
}

void RunFixture::Folder(std::string_view rel) const {
    std::filesystem::create_directories(N(rel));
}

void RunFixture::Stamp(std::string_view rel, std::int64_t seconds) const {
    timespec times[2];
    times[0].tv_sec = static_cast<time_t>(seconds);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, N(rel).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

TConditionFields RunFixture::Fields(std::string_view keywords, std::string_view destRel) const {
    TConditionFields f;
    f.keywords = keywords;
    f.destFolder = P(destRel);
    return f;
}

void RunFixture::Add(const TConditionFields& fields) {
    TSortCondition condition;
    ASSERT_TRUE(ComposeCondition(fields, condition).ok());
    ASSERT_TRUE(list.InsertAt(list.Count(), condition).ok());
}

TRunOutcome RunFixture::Run(RunMode runMode, int selected) {
    TRunRequest request{.conditions = list, .settings = settings, .extRules = rules, .files = Disk()};
    request.runMode = runMode;
    request.selectedIndex = selected;
    request.listChecks = checks;
    request.sourceText = P("src");
    request.sourceItems = sourceItems;
    request.digest = digest.get();
    request.heldBack = heldBack;
    request.passedOverInUse = passedOverInUse;
    request.preview = preview;
    request.previewUnattended = previewUnattended;
    return PerformSortRun(request, shared, ui, box, history);
}

std::vector<std::string> RunFixture::Rows() const {
    std::vector<std::string> out;
    for (const TReportEntry& row : ui.rows) {
        std::string dest = row.dest;
        if (dest.starts_with(dir.PathText()))
            dest = ToNativePath(dest.substr(dir.PathText().size()));
        out.push_back(row.name + "|" + row.mark + "|" + dest);
    }
    return out;
}

} // namespace sv::testing
