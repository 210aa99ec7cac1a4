// SPDX-License-Identifier: GPL-3.0-or-later
// A whole sorting run over 20 000 files against 50 conditions, about half of the files moved,
// beside a plain loop that renames as many files in the same file system: the file system's own
// speed. Runs in /dev/shm when it is there. Prints figures only; nothing here is a pass or fail.
#include "doubles/scripted_message_box.h"
#include "engine/run.h"
#include "platform/pathtext.h"
#include "store/condition.h"

#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFiles = 20000;
constexpr int kConditions = 50;

using Clock = std::chrono::steady_clock;

// A window that draws nothing; it only looks at the clock before every entry, as the real one
// does to let events through every few milliseconds.
class NullRunUi final : public sv::RunUi {
public:
    void SetTopmost() override {}
    void BeginRun(bool) override {}
    void FinishRun() override {}
    void SetCaption(std::string_view) override {}
    void SetStatus(std::string_view) override {}
    void SetCountLabel(std::string_view) override {}
    void SetProgress(int) override {}
    void AddResultRow(const sv::TReportEntry&) override { ++rows; }
    void AddNote(std::string_view) override {}
    void Repaint() override {}
    void LetEventsThrough() override;
    bool CancelRequested() const override { return false; }
    void EnableCancel() override {}
    void PerformCancel() override {}
    sv::TransferProgress* TransferProgressWindow() override { return nullptr; }

    int rows = 0;
    int slices = 0;

private:
    Clock::time_point m_last = Clock::now();
};

void NullRunUi::LetEventsThrough() {
    const auto now = Clock::now();
    if (now - m_last >= std::chrono::milliseconds(10)) {
        m_last = now;
        ++slices;
    }
}

void Touch(const std::string& path) {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
}

std::string FileName(int i) {
    // Every second file carries the keyword of one of the conditions.
    const int k = i % (2 * kConditions);
    return "file " + std::to_string(i) + " tag" + std::to_string(k) + " x.dat";
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

struct Shape final {
    int files = kFiles;
    int conditions = kConditions;
    bool folding = false;
};

std::string NameOf(const Shape& shape, int i) {
    if (shape.files == kFiles && shape.conditions == kConditions)
        return FileName(i);
    return "file " + std::to_string(i) + " Tag" + std::to_string(i % (2 * shape.conditions)) + " x.dat";
}

double TimedRun(const std::filesystem::path& top, bool fileUsing, int& moved, const Shape& shape = {}) {
    const std::filesystem::path src = top / "src";
    std::filesystem::create_directories(src);
    for (int i = 0; i < shape.files; ++i)
        Touch((src / NameOf(shape, i)).string());

    sv::TConditionList list;
    for (int c = 0; c < shape.conditions; ++c) {
        sv::TConditionFields f;
        f.keywords = "\"tag" + std::to_string(c) + " \"";
        f.caseFold = f.widthFold = f.kanaFold = shape.folding;
        f.destFolder = sv::FromNativePath((top / ("dst" + std::to_string(c))).string());
        sv::TSortCondition condition;
        if (!sv::ComposeCondition(f, condition).ok() || !list.InsertAt(c, condition).ok())
            return -1;
    }
    sv::TAppSettings settings;
    settings.MakeFolder = true;
    settings.FileUsing = fileUsing;
    const std::vector<sv::TExtRule> rules;
    sv::TRunRequest request{.conditions = list, .settings = settings, .extRules = rules, .files = sv::Disk()};
    request.sourceText = sv::FromNativePath(src.string());
    sv::TRunShared shared;
    NullRunUi ui;
    sv::ScriptedMessageBox box;
    sv::TPendingHistory history;

    const auto start = Clock::now();
    const sv::TRunOutcome outcome = sv::PerformSortRun(request, shared, ui, box, history);
    const double seconds = Seconds(start);
    moved = outcome.processed;
    std::printf("  event checks let through: %d time slices\n", ui.slices);
    return seconds;
}

double TimedRenames(const std::filesystem::path& top, int count) {
    const std::filesystem::path from = top / "plain_from";
    const std::filesystem::path to = top / "plain_to";
    std::filesystem::create_directories(from);
    std::filesystem::create_directories(to);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(FileName(i));
        Touch((from / names.back()).string());
    }
    const auto start = Clock::now();
    for (const std::string& name : names)
        ::rename((from / name).c_str(), (to / name).c_str());
    return Seconds(start);
}

// What the run's algorithm costs the file system alone: every condition reads the whole folder
// and renames the names carrying its keyword, with no filters, no questions and no records.
double TimedFloor(const std::filesystem::path& top) {
    const std::filesystem::path src = top / "floor_src";
    const std::filesystem::path dst = top / "floor_dst";
    std::filesystem::create_directories(src);
    std::filesystem::create_directories(dst);
    for (int i = 0; i < kFiles; ++i)
        Touch((src / FileName(i)).string());
    const auto start = Clock::now();
    for (int c = 0; c < kConditions; ++c) {
        const std::string keyword = " tag" + std::to_string(c) + " ";
        DIR* dir = ::opendir(src.c_str());
        if (!dir)
            return -1;
        while (const dirent* entry = ::readdir(dir)) {
            if (std::string_view(entry->d_name).find(keyword) != std::string_view::npos)
                ::rename((src / entry->d_name).c_str(), (dst / entry->d_name).c_str());
        }
        ::closedir(dir);
    }
    return Seconds(start);
}

} // namespace

// 10 000 conditions with every folding over 10 000 files, half of which one condition moves: the
// cost must grow with files + conditions, not with their product.
void ScaleCase(const std::filesystem::path& base) {
    std::string pattern = (base / "sorvanta-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return;
    const std::filesystem::path top = pattern;
    const Shape shape{10000, 10000, true};
    int moved = 0;
    std::printf("%d files, %d conditions, all foldings on, FileUsing off\n", shape.files, shape.conditions);
    const double run = TimedRun(top, false, moved, shape);
    std::printf("  run: %.3f s, %d moved (goal: at most 2 s)\n", run, moved);
    std::error_code ec;
    std::filesystem::remove_all(top, ec);
}

int main(int argc, char** argv) {
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    // For strace -c: only the run with FileUsing on, after its files are made.
    if (argc > 1 && std::string_view(argv[1]) == "--run-only") {
        std::string pattern = (base / "sorvanta-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return 1;
        int moved = 0;
        const double seconds = TimedRun(pattern, true, moved);
        std::printf("run: %.3f s, %d moved\n", seconds, moved);
        std::error_code ec;
        std::filesystem::remove_all(pattern, ec);
        return 0;
    }
    if (argc > 1 && std::string_view(argv[1]) == "--scale") {
        ScaleCase(base);
        return 0;
    }
    for (const bool fileUsing : {false, true}) {
        std::string pattern = (base / "sorvanta-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            return 1;
        }
        const std::filesystem::path top = pattern;
        std::printf("%d files, %d conditions, FileUsing %s, in %s\n", kFiles, kConditions,
                    fileUsing ? "on" : "off", base.c_str());
        int moved = 0;
        const double run = TimedRun(top, fileUsing, moved);
        const double plain = TimedRenames(top, moved);
        std::printf("  run: %.3f s, %d moved, %.0f files/s\n", run, moved, kFiles / run);
        std::printf("  plain renames of %d files: %.3f s; run / plain = %.1f\n", moved, plain, run / plain);
        const double floor = TimedFloor(top);
        std::printf(
            "  %d bare enumerations with the same renames: %.3f s; run / bare loop = %.2f (goal: at most "
            "1.5)\n",
            kConditions, floor, run / floor);
        std::error_code ec;
        std::filesystem::remove_all(top, ec);
    }
    ScaleCase(base);
    return 0;
}
