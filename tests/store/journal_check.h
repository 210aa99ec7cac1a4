// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a killed run and the recovery after it must leave, whatever moment the run died at: every
// file is where exactly one record says, or back in its source without one; no record twice.

#include "platform/cp932.h"
#include "platform/pathtext.h"
#include "store/history_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace sv::testing {

// Regular files below the folders (hidden entries, such as a killed copy's temporary, passed
// over), by content: content -> native paths.
inline std::map<std::string, std::vector<std::string>> FilesByContent(const std::vector<std::string>& roots) {
    std::map<std::string, std::vector<std::string>> out;
    for (const std::string& root : roots) {
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->path().filename().string().starts_with(".")) {
                if (it->is_directory())
                    it.disable_recursion_pending();
                continue;
            }
            struct stat st {};
            if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            std::ifstream in(it->path(), std::ios::binary);
            out[std::string(std::istreambuf_iterator<char>(in), {})].push_back(it->path().string());
        }
    }
    return out;
}

// The records of History.dat bytes.
inline std::vector<THistoryEntry> HistoryRecords(std::string_view bytes) {
    const std::vector<std::string_view> lines = NonEmptyLines(bytes);
    std::vector<THistoryEntry> records;
    for (std::size_t i = 0; i + 3 < lines.size(); i += 4)
        records.push_back(HistoryEntryFromLines(Cp932ToUtf8(lines[i]), Cp932ToUtf8(lines[i + 1]),
                                                Cp932ToUtf8(lines[i + 2]), Cp932ToUtf8(lines[i + 3])));
    return records;
}

// `originals`: each sorted file's unique content -> its native path before the run. Records of
// other source folders (older history) are passed over. Returns what is wrong, one line each.
inline std::vector<std::string> CheckRecordedOnce(const std::map<std::string, std::string>& originals,
                                                  const std::vector<std::string>& roots,
                                                  std::string_view historyBytes) {
    std::vector<std::string> problems;
    std::set<std::string> sources;
    for (const auto& [content, path] : originals)
        sources.insert(std::filesystem::path(path).parent_path().string());
    const auto files = FilesByContent(roots);
    std::set<std::string> recorded;
    std::set<std::string> deleted;
    for (const THistoryEntry& entry : HistoryRecords(historyBytes)) {
        const std::string source = ToNativePath(HistorySourceFolder(entry));
        if (sources.count(source) == 0)
            continue;
        if (entry.EntryMark == ActionMark(kMarkDeleted)) {
            if (!deleted.insert(source + "/" + entry.EntryName).second)
                problems.push_back("deleted twice: " + entry.EntryName);
            continue;
        }
        const std::string path = ToNativePath(HistoryItemPath(entry));
        if (!recorded.insert(path).second) {
            problems.push_back("recorded twice: " + path);
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        const std::string content(std::istreambuf_iterator<char>(in), {});
        const auto original = originals.find(content);
        if (!in || original == originals.end())
            problems.push_back("a record leads to no sorted file: " + path);
        else if (std::filesystem::path(original->second).parent_path().string() != source)
            problems.push_back("recorded with another source folder: " + path);
    }
    for (const auto& [content, original] : originals) {
        const auto found = files.find(content);
        if (found == files.end()) {
            problems.push_back("lost: " + original);
            continue;
        }
        for (const std::string& place : found->second) {
            if (place != original && recorded.count(place) == 0)
                problems.push_back("no record: " + place + " (from " + original + ")");
        }
    }
    return problems;
}

} // namespace sv::testing
