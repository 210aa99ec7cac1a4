// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/watch_folders.h"

#include "platform/dir_reader.h"
#include "platform/pathtext.h"
#include "store/condition.h"

#include <algorithm>

namespace sv {
namespace {

void Add(std::vector<std::string>& folders, const std::string& folder) {
    if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
        folders.push_back(folder);
}

void AddWithSubfolders(std::vector<std::string>& folders, const std::string& folder, int depth) {
    Add(folders, folder);
    // A link loop cannot happen (links are never folders here); the depth only guards the stack.
    if (depth > 64)
        return;
    std::vector<std::string> children;
    (void)ForEachEntry(folder, [&](const DirEntry& entry) {
        if (entry.isFolder && !entry.backslashName)
            children.push_back(JoinPath(folder, entry.name));
        return true;
    });
    for (const std::string& child : children)
        AddWithSubfolders(folders, child, depth + 1);
}

bool Ticked(const TRunRequest& request, int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < request.listChecks.size())
        return request.listChecks[static_cast<std::size_t>(index)];
    return IsChecked(request.conditions.At(index).destText);
}

} // namespace

std::vector<std::string> WatchedSourceFolders(const TRunRequest& request) {
    std::vector<std::string> folders;
    bool mainUsed = false;
    for (int i = 0; i < request.conditions.Count(); ++i) {
        if (request.settings.ExecChkBox && !Ticked(request, i))
            continue;
        const TConditionFields fields = DecodeCondition(request.conditions.At(i));
        if (NormaliseFolderPath(fields.destFolder).empty())
            continue;
        if (!fields.ownSource) {
            mainUsed = true;
            continue;
        }
        const std::string own = NormaliseFolderPath(fields.sourceFolder);
        if (fields.subFolders)
            AddWithSubfolders(folders, own, 0);
        else
            Add(folders, own);
    }
    if (mainUsed) {
        std::vector<std::string> main;
        if (request.settings.ExecAll)
            main = request.sourceItems;
        else
            main.push_back(request.sourceText);
        // The main folders come first, as the run's passes do.
        std::vector<std::string> all;
        for (const std::string& folder : main)
            Add(all, NormaliseFolderPath(folder));
        for (const std::string& folder : folders)
            Add(all, folder);
        folders = std::move(all);
    }
    return folders;
}

} // namespace sv
