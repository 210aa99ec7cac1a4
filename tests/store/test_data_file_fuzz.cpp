// SPDX-License-Identifier: GPL-3.0-or-later
// Thousands of damaged sets of data files, read and saved as a start and a quit do: nothing
// crashes, and after the save every file is either what it was (in content) or its original
// bytes are kept aside.
#include "doubles/scripted_message_box.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/text.h"
#include "store/condition_file.h"
#include "store/history_file.h"
#include "store/settings.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

namespace sv {
namespace {

namespace fs = std::filesystem;
using testing::Sjis;
using testing::TempFolder;

std::string Condition(std::string_view keywords, std::string_view dest) {
    return Sjis(keywords) + "\r\n" + Sjis(dest) +
           "\x05"
           "0  1022\x06"
           "1 10221\x13"
           "0212121111\r\n";
}

const std::string kConditions = Condition("アニメ//週刊", "\\d\\アニメ") +
                                Condition("mp3 /live", "\\d\\音楽") +
                                Condition("\"a b\" jpg", "\\d\\画像</\\dl") + Condition("pdf", "\\d\\書類");
const std::string kSettings =
    Sjis("[Path]\r\nSource=\\home\\u\\dl\r\nSource1=\\home\\u\\other\r\n; 手で書いた注記\r\n"
         "[Size]\r\nFormWidth=500\r\nFormHeight=400\r\n[Condition]\r\nSameName0=1\r\n"
         "DoubtFolder=\\home\\u\\怪しい\r\nUnknownKey=keep me\r\n[Other]\r\nx=y\r\n");
const std::string kHistory = Sjis("26/12/08 10:00:00\r\n  \r\n動画.avi\r\n\\d\\動画*\\dl\r\n"
                                  "26/12/08 10:00:01\r\n\u3000変\r\nclip[1].avi\r\n\\d*\\dl\r\n\r\n"
                                  "26/12/08 10:00:02\r\n\u3000Ｆ\r\nset\r\n\\d*\r\n");

std::vector<std::string> Lines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = bytes.size();
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++start;
    }
    return lines;
}

// The texts a file stands for: decoded lines, the empty ones (history) or the trailing empty
// ones (conditions) left out.
std::vector<std::string> Texts(std::string_view bytes, bool dropEmpty) {
    std::vector<std::string> texts;
    for (const std::string& line : Lines(bytes)) {
        if (!dropEmpty || !line.empty())
            texts.push_back(Cp932ToUtf8(line));
    }
    while (!texts.empty() && texts.back().empty())
        texts.pop_back();
    // A history location line without "*" is the destination alone; it is written with the "*".
    for (std::size_t i = 3; dropEmpty && i < texts.size(); i += 4) {
        if (texts[i].find('*') == std::string::npos)
            texts[i] += '*';
    }
    return texts;
}

// The bytes of the same lines, the way Texts picks them.
std::vector<std::string> LineBytes(std::string_view bytes, bool dropEmpty) {
    std::vector<std::string> lines;
    for (const std::string& line : Lines(bytes)) {
        if (!dropEmpty || !line.empty())
            lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    for (std::size_t i = 3; dropEmpty && i < lines.size(); i += 4) {
        if (lines[i].find('*') == std::string::npos)
            lines[i] += '*';
    }
    return lines;
}

std::string Mutate(std::string bytes, std::mt19937& rng) {
    const auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(rng); };
    static const char specials[] = {'\0', '\r', '\n', '\x81', '\xFF', '\x05', '*',
                                    '/',  '"',  '=',  '\x87', '\xED', '\xEE', '\xFA'};
    // Characters other tools write in codes other than the ones writing uses.
    static const char* const otherCodes[] = {"\xED\x40", "\xEE\xEF", "\x87\x90", "\xFA\x4A", "\xEE\xE0"};
    for (std::size_t round = 0, n = 1 + pick(2); round < n; ++round) {
        const std::size_t at = pick(bytes.size());
        switch (pick(7)) {
        case 0:
            bytes.insert(at, 1, specials[pick(std::size(specials) - 1)]);
            break;
        case 1:
            if (at < bytes.size())
                bytes.erase(at, 1);
            break;
        case 2:
            bytes.insert(at, "\r\n");
            break;
        case 3:
            bytes.resize(at);
            break;
        case 4: {
            const auto lines = Lines(bytes);
            if (!lines.empty())
                bytes.insert(0, lines[pick(lines.size() - 1)] + "\r\n");
            break;
        }
        case 5:
            if (at < bytes.size())
                bytes[at] = static_cast<char>(pick(255));
            break;
        case 6:
            bytes.insert(at, otherCodes[pick(std::size(otherCodes) - 1)]);
            break;
        default:
            bytes += std::string(pick(3000), 'a');
            break;
        }
    }
    return bytes;
}

bool KeptSomewhere(const TempFolder& dir, std::string_view name, const std::string& bytes) {
    for (const auto& entry : fs::directory_iterator(dir.Native())) {
        const std::string file = entry.path().filename().string();
        if (file.rfind(std::string(name) + ".bak", 0) == 0 && dir.ReadBytes(file) == bytes)
            return true;
    }
    return false;
}

// Keys the program writes itself: their lines may change on a save.
std::set<std::string> ProgramKeys() {
    TempFolder dir;
    TAppSettings defaults;
    TConditionList none;
    EXPECT_TRUE(SaveSettings(dir.PathText(), "Sorvanta.ini", defaults, none).ok());
    std::set<std::string> keys;
    for (const std::string& line : Lines(dir.ReadBytes("Sorvanta.ini"))) {
        if (const auto eq = line.find('='); eq != std::string::npos)
            keys.insert(line.substr(0, eq));
    }
    for (const char* numbered : {"Source", "ExtBefore", "ExtAfter", "ExpFile", "ImpFile"})
        for (int n = 0; n < 20; ++n)
            keys.insert(numbered + std::to_string(n));
    return keys;
}

TEST(DataFileFuzz, DamagedFilesAreReadAndSavedWithoutLosingTheirBytes) {
    const std::set<std::string> programKeys = ProgramKeys();
    std::mt19937 rng(9);
    for (int round = 0; round < 2500; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TempFolder dir;
        const std::string conditions = Mutate(kConditions, rng);
        const std::string settings = round % 3 == 0 ? kSettings : Mutate(kSettings, rng);
        const std::string history = round % 2 == 0 ? kHistory : Mutate(kHistory, rng);
        dir.WriteBytes("Condition.txt", conditions);
        dir.WriteBytes("Sorvanta.ini", settings);
        dir.WriteBytes("History.dat", history);

        // A start: copies aside, the three readers; a quit: the save, and the history rewrite.
        (void)KeepDamagedSettingsAside(dir.PathText(), "Sorvanta.ini");
        TAppSettings loaded = LoadSettings(dir.PathText(), "Sorvanta.ini");
        TConditionList list;
        (void)LoadConditions(dir.PathText(), list);
        (void)KeepDamagedHistoryAside(dir.PathText());
        THistoryList entries;
        (void)LoadHistory(dir.PathText(), entries, HistoryLimit(loaded));
        ASSERT_TRUE(SaveSettings(dir.PathText(), "Sorvanta.ini", loaded, list).ok());
        ScriptedMessageBox box;
        ASSERT_TRUE(SaveHistory(dir.PathText(), "Sorvanta.ini", entries, box).ok());

        if (!KeptSomewhere(dir, "Condition.txt", conditions)) {
            ASSERT_EQ(Texts(dir.ReadBytes("Condition.txt"), false), Texts(conditions, false));
            ASSERT_EQ(LineBytes(dir.ReadBytes("Condition.txt"), false), LineBytes(conditions, false));
        }
        if (!KeptSomewhere(dir, "History.dat", history)) {
            ASSERT_EQ(Texts(dir.ReadBytes("History.dat"), true), Texts(history, true));
            ASSERT_EQ(LineBytes(dir.ReadBytes("History.dat"), true), LineBytes(history, true));
        }
        if (!KeptSomewhere(dir, "Sorvanta.ini", settings)) {
            const std::vector<std::string> now = Lines(dir.ReadBytes("Sorvanta.ini"));
            const std::set<std::string> written(now.begin(), now.end());
            for (const std::string& line : Lines(settings.substr(0, settings.find('\0')))) {
                const auto eq = line.find('=');
                const std::string key = eq == std::string::npos ? std::string() : Trim(line.substr(0, eq));
                if (programKeys.count(key) == 0) {
                    ASSERT_EQ(written.count(line), 1u) << "lost: " << line;
                }
            }
        }

        // The next start finds every file in the codes writing uses: nothing is kept again for them.
        ASSERT_NE(SettingsFileDamage(dir.ReadBytes("Sorvanta.ini")), kOtherCodesReason);
        TConditionList again;
        (void)LoadConditions(dir.PathText(), again, false);
        ASSERT_NE(ConditionFileDamage(dir.ReadBytes("Condition.txt"), again), kOtherCodesReason);
        THistoryList entriesAgain;
        (void)LoadHistory(dir.PathText(), entriesAgain, HistoryLimit(loaded));
        ASSERT_FALSE(entriesAgain.otherCodes);
    }
}

} // namespace
} // namespace sv
