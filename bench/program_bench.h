// SPDX-License-Identifier: GPL-3.0-or-later
// What the benchmarks of the whole program share: a program folder of its own with a copy of the
// built program, its data files and scenario folders, and the program (or its baseline) timed as
// a separate process, as a user runs it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace bench {

// A fresh folder under `parent` (/tmp is on the disk here, /dev/shm is a tmpfs), removed at exit.
class ScratchFolder final {
public:
    explicit ScratchFolder(const std::string& parent);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The built program and its digest library copied into a folder, where its data files live.
// SORVANTA_BENCH_BUILD names another build folder to take them from (a build of an earlier
// version, for figures before and after).
class ProgramFolder final {
public:
    explicit ProgramFolder(std::string folder);
    const std::string& folder() const { return m_folder; }
    std::string Executable() const { return m_folder + "/sorvanta"; }
    // Sorvanta.ini with the source folder and more [Condition] lines ("FileComp=1\r\n").
    void Settings(const std::string& sourceFolder, const std::string& conditionLines = {}) const;
    // Condition.txt: one condition per pair of keyword and destination folder (native paths).
    void Conditions(const std::vector<std::pair<std::string, std::string>>& conditions) const;

private:
    std::string m_folder;
};

struct ProcessFigures final {
    double seconds = 0;
    double peakMiB = 0; // the largest resident size the process reached
    int status = -1;
};

// Starts the command (no shell) offscreen with a runtime folder of its own, waits for it.
ProcessFigures TimeProcess(const std::vector<std::string>& argv);
inline ProcessFigures TimeProgram(const ProgramFolder& program) {
    return TimeProcess({program.Executable(), "/a"});
}

void WriteFile(const std::string& path, std::size_t bytes, unsigned seed);
void MakeFolder(const std::string& path);
void RemoveAll(const std::string& path);
std::vector<std::string> Names(const std::string& folder);
void SyncAll();

// Figures of several rounds: the best and the median.
class Series final {
public:
    void Add(double value) { m_values.push_back(value); }
    double Best() const;
    double Median() const;

private:
    std::vector<double> m_values;
};

int Rounds(int argc, char** argv, int fallback);
bool HasFlag(int argc, char** argv, const char* flag);
long FlagValue(int argc, char** argv, const char* flag, long fallback);

} // namespace bench
