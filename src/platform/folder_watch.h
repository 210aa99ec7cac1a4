// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string_view>

namespace sv {

// What happened to the entries of watched folders since the last look, from the kernel's change
// notifications. Unlike a folder's modification time (one coarse value that the last writer
// sets) they name every change, so a foreign change between two of the run's own moves is seen
// too. Only folders on local file systems are watched: a network file system does not report
// what other machines change.
class FolderWatch final {
public:
    // With `contents` the changes of the entries themselves are reported too (written, their
    // attributes or times changed), for a listing that keeps each entry's size and stamp.
    explicit FolderWatch(bool contents = false);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Starts watching before the folder is enumerated; a token for Drain, or -1 when the folder
    // cannot be watched reliably. One folder under two spellings gives one token.
    int Watch(std::string_view folderPathText);

    // `removed` names an entry that left the folder (deleted, or renamed away); `other` is any
    // other change of the folder (an entry added, the folder itself moved or gone) and
    // `everything` says that notifications were lost, so no watched folder can be trusted. With
    // `changed` set, an entry added, written or touched is named there instead of being `other`.
    struct Handler final {
        std::function<void(int token, std::string_view name)> removed;
        std::function<void(int token, std::string_view name)> changed;
        std::function<void(int token)> other;
        std::function<void()> everything;
    };
    // Reports every change since the last call, without waiting.
    void Drain(const Handler& handler);

private:
    int m_fd = -1;
    bool m_contents = false;
};

} // namespace sv
