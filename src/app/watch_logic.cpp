// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/watch_logic.h"

#include "store/settings.h"

#include <algorithm>
#include <cctype>

namespace sv {
namespace {

constexpr std::string_view kDownloadSuffixes[] = {".part", ".crdownload", ".download"};

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
    return !DownloadTargetName(name).empty();
}

std::string_view DownloadTargetName(std::string_view name) {
    for (const std::string_view suffix : kDownloadSuffixes) {
        if (EndsWithNoCase(name, suffix))
            return name.substr(0, name.size() - suffix.size());
    }
    return {};
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

void TArrivalWatch::SetWaitSeconds(int seconds) {
    m_waitMs = static_cast<std::int64_t>(std::clamp(seconds, kMinWatchWait, kMaxWatchWait)) * 1000;
}

void TArrivalWatch::Start() {
    m_active = true;
    m_lost = false;
    m_entries.clear();
    m_notBefore = 0;
}

void TArrivalWatch::Stop() {
    m_active = false;
    m_lost = false;
    m_entries.clear();
}

void TArrivalWatch::Changed(const std::string& path, bool folder, bool open, std::int64_t now) {
    if (!m_active)
        return;
    Entry& entry = m_entries[path];
    entry.state = State::Waiting;
    entry.folder = folder;
    entry.lastChange = now;
    entry.passes = 0;
    if (!open) {
        m_lastCounted = now;
        m_notBefore = 0;
    }
}

void TArrivalWatch::Gone(const std::string& path, bool folder) {
    m_entries.erase(path);
    if (!folder)
        return;
    // Whatever was known below it went with it.
    const std::string below = path + '\\';
    for (auto it = m_entries.lower_bound(below);
         it != m_entries.end() && it->first.compare(0, below.size(), below) == 0;)
        it = m_entries.erase(it);
}

void TArrivalWatch::Lost(std::int64_t now) {
    if (!m_active)
        return;
    m_lost = true;
    m_lastCounted = now;
    m_notBefore = 0;
}

bool TArrivalWatch::Pending() const {
    return m_active && NextLook().has_value();
}

std::optional<std::int64_t> TArrivalWatch::NextLook() const {
    std::optional<std::int64_t> next;
    const auto earliest = [&next](std::int64_t at) { next = next ? std::min(*next, at) : at; };
    bool waiting = m_lost;
    for (const auto& [path, entry] : m_entries) {
        if (entry.state == State::Waiting)
            waiting = true;
        else if (entry.state == State::PassedOver)
            earliest(entry.recheckAt);
    }
    if (waiting)
        earliest(std::max(m_lastCounted + m_waitMs, m_notBefore));
    return next;
}

std::optional<std::int64_t> TArrivalWatch::Remaining(std::int64_t now) const {
    if (!m_active)
        return std::nullopt;
    const std::optional<std::int64_t> next = NextLook();
    if (!next)
        return std::nullopt;
    return std::max<std::int64_t>(*next - now, 0);
}

bool TArrivalWatch::Due(std::int64_t now) const {
    const std::optional<std::int64_t> next = m_active ? NextLook() : std::nullopt;
    return next && now >= *next;
}

bool TArrivalWatch::Ready(const std::string& path, const Entry& entry, std::int64_t now,
                          const Held& held) const {
    return entry.state == State::Waiting && now - entry.lastChange >= m_waitMs &&
           !(held && held(path, entry.folder));
}

WatchStep TArrivalWatch::Expired(std::int64_t now, const Held& held) {
    if (!Due(now))
        return WatchStep::Nothing;
    // Passed over long enough ago: looked at like an entry that has just gone quiet.
    for (auto& [path, entry] : m_entries) {
        if (entry.state == State::PassedOver && entry.recheckAt <= now)
            entry.state = State::Waiting;
    }
    // After lost notices nobody knows what arrived: the run looks at everything.
    bool ready = m_lost && now - m_lastCounted >= m_waitMs;
    for (auto it = m_entries.begin(); !ready && it != m_entries.end(); ++it)
        ready = Ready(it->first, it->second, now, held);
    if (ready)
        return WatchStep::Run;
    m_notBefore = now + m_waitMs;
    return Pending() ? WatchStep::WaitAgain : WatchStep::Nothing;
}

void TArrivalWatch::RunStarting(std::int64_t now, const Held& held) {
    m_lost = false;
    for (auto& [path, entry] : m_entries) {
        if (entry.state == State::PassedOver && entry.recheckAt <= now)
            entry.state = State::Waiting;
        if (Ready(path, entry, now, held))
            entry.state = State::TakenByRun;
    }
}

bool TArrivalWatch::HeldFromRun(std::string_view path) const {
    const auto found = m_entries.find(path);
    return found != m_entries.end() && found->second.state == State::Waiting;
}

void TArrivalWatch::PassedOver(const std::string& path, std::int64_t recheckAt) {
    if (!m_active)
        return;
    Entry& entry = m_entries[path];
    entry.state = State::PassedOver;
    entry.recheckAt = recheckAt;
    ++entry.passes;
}

int TArrivalWatch::Passes(std::string_view path) const {
    const auto found = m_entries.find(path);
    return found == m_entries.end() ? 0 : found->second.passes;
}

void TArrivalWatch::RunEnded() {
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->second.state == State::TakenByRun)
            it = m_entries.erase(it);
        else
            ++it;
    }
    m_notBefore = 0;
}

} // namespace sv
