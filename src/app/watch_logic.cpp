// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/watch_logic.h"

#include "platform/dir_reader.h"
#include "platform/files.h"
#include "platform/in_use.h"
#include "platform/pathtext.h"
#include "store/settings.h"

#include <algorithm>
#include <cctype>

namespace sv {
namespace {

bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
    if (name.size() <= suffix.size())
        return false;
    const std::string_view tail = name.substr(name.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

} // namespace

bool IsDownloadInProgressName(std::string_view name) {
    return EndsWithNoCase(name, ".part") || EndsWithNoCase(name, ".crdownload") ||
           EndsWithNoCase(name, ".download");
}

std::string FolderSignature(const std::vector<std::string>& folders) {
    std::string signature;
    for (const std::string& folder : folders) {
        std::vector<std::string> lines;
        (void)ForEachEntry(folder, [&](const DirEntry& entry) {
            const FileStamp stamp = StampOf(JoinPath(folder, entry.name));
            lines.push_back(std::string(entry.name) + '\t' + (entry.isFolder ? "d" : "f") + '\t' +
                            std::to_string(stamp.size) + '\t' + std::to_string(stamp.mtimeNanoseconds));
            return true;
        });
        std::sort(lines.begin(), lines.end());
        signature += folder + '\n';
        for (const std::string& line : lines)
            signature += line + '\n';
    }
    return signature;
}

bool DownloadInProgress(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        bool found = false;
        (void)ForEachEntry(folder, [&](const DirEntry& entry) {
            found = IsDownloadInProgressName(entry.name);
            return !found;
        });
        if (found)
            return true;
    }
    return false;
}

bool WriteInProgress(const std::vector<std::string>& folders, int quietSeconds) {
    const InUseProbe probe(quietSeconds);
    for (const std::string& folder : folders) {
        if (!FolderExists(folder))
            continue;
        // One walk over every process answers for the whole folder.
        bool complete = false;
        if (IsOpenForWritingByAnyProcess(folder, &complete))
            return true;
        if (complete || quietSeconds <= 0)
            continue;
        // Some writers could not be seen: each file answers by its lease, or by its quiet time.
        bool found = false;
        (void)ForEachEntry(
            folder,
            [&](const DirEntry& entry) {
                if (!entry.isFolder && !entry.backslashName)
                    found = probe.IsInUseUnseen(JoinPath(folder, entry.name));
                return !found;
            },
            EnumOptions{.skipHidden = true});
        if (found)
            return true;
    }
    return false;
}

std::string UnwatchableText(const std::vector<std::string>& nativePaths, int minutes) {
    if (nativePaths.empty())
        return {};
    std::string text = "監視できないフォルダ：" + nativePaths.front();
    if (nativePaths.size() > 1)
        text += " ほか " + std::to_string(nativePaths.size() - 1) + " 個";
    text += "（" + std::to_string(minutes) + "分毎の定周期実行で振り分けます）";
    return text;
}

void TWatchDebounce::SetWaitSeconds(int seconds) {
    m_waitMs = static_cast<std::int64_t>(std::clamp(seconds, kMinWatchWait, kMaxWatchWait)) * 1000;
}

void TWatchDebounce::Start(std::string baseline) {
    m_active = true;
    m_finished = false;
    m_baseline = std::move(baseline);
    m_last = m_baseline;
    m_due.reset();
    m_lookedAt.reset();
}

void TWatchDebounce::Stop() {
    m_active = false;
    m_due.reset();
}

void TWatchDebounce::Changed(std::int64_t now, std::string signature) {
    if (!m_active)
        return;
    m_last = std::move(signature);
    m_lookedAt = now;
    m_due = now + m_waitMs;
}

bool TWatchDebounce::NeedsSignature(std::int64_t now) const {
    constexpr std::int64_t kLookGapMs = 1000;
    return !m_lookedAt || now - *m_lookedAt >= kLookGapMs || now < *m_lookedAt;
}

void TWatchDebounce::Touched(std::int64_t now) {
    if (m_active)
        m_due = now + m_waitMs;
}

void TWatchDebounce::MarkFinished() {
    if (m_active)
        m_finished = true;
}

std::optional<std::int64_t> TWatchDebounce::Remaining(std::int64_t now) const {
    if (!m_due)
        return std::nullopt;
    return std::max<std::int64_t>(*m_due - now, 0);
}

WatchStep TWatchDebounce::Expired(std::int64_t now, const std::string& signature,
                                  const std::function<bool()>& busy) {
    if (!m_active || !Due(now))
        return WatchStep::Nothing;
    if (signature != m_last) {
        m_last = signature;
        m_due = now + m_waitMs;
        return WatchStep::WaitAgain;
    }
    if (signature == m_baseline && !m_finished) {
        m_due.reset();
        return WatchStep::Nothing;
    }
    if (busy && busy()) {
        m_due = now + m_waitMs;
        return WatchStep::WaitAgain;
    }
    m_due.reset();
    m_finished = false;
    return WatchStep::Run;
}

} // namespace sv
