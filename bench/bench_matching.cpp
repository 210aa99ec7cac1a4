// SPDX-License-Identifier: GPL-3.0-or-later
// Keyword matching throughput: every generated name against every generated condition, with all
// three foldings on and with none, beside a baseline of plain std::string::find on names folded
// beforehand. Prints figures only; nothing here is a pass or fail.
#include "engine/folder_cache.h"
#include "engine/keyword_index.h"
#include "engine/keywords.h"
#include "platform/fold.h"
#include "platform/utf8.h"
#include "store/condition.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using sv::FoldFlags;
using sv::TKeywordLists;

constexpr std::size_t kNames = 100000;
constexpr std::size_t kConditions = 100;

const std::vector<std::string> kCircles = {"サークル", "東方",   "同人",   "アニメ工房", "ＴＥＡＭ",
                                           "studio",   "ぷよ組", "ＲＡＷ", "ﾌｧﾝｻﾌﾞ",     "字幕組"};
const std::vector<std::string> kTitles = {"けいおん",
                                          "魔法少女",
                                          "ガンダム",
                                          "ｴｳﾞｧﾝｹﾞﾘｵﾝ",
                                          "劇場版",
                                          "新世紀",
                                          "とある科学の",
                                          "ドラゴンボール",
                                          "ワンピース",
                                          "進撃の巨人",
                                          "Fate",
                                          "ＡＫＩＲＡ",
                                          "ぷよぷよ",
                                          "パズル",
                                          "ゲーム",
                                          "音楽",
                                          "ベスト",
                                          "オリジナル",
                                          "サウンドトラック",
                                          "体験版",
                                          "完全版",
                                          "修正版",
                                          "アニメ",
                                          "ＯＰ",
                                          "ED",
                                          "Anime",
                                          "ドラマ",
                                          "ラジオ"};
const std::vector<std::string> kTags = {"(1280x720)", "(1920x1080)", "（ＤＶＤ）", "[720p]", "x264 AAC",
                                        "ＢＤ",       "HD",          "(字幕)",     "RAW",    "v2"};
const std::vector<std::string> kExtensions = {".mp4", ".avi", ".mkv", ".zip", ".rar", ".jpg",
                                              ".mp3", ".txt", ".wmv", ".ogm", ".exe", ".MP4"};
const std::vector<std::string> kMasks = {"*.mp4", "*第0?話*",     "*[0-9][0-9]話*", "*.[ma][pv][34i]",
                                         "[[]*",  "*(1280x720)*", "*ＯＰ*.mp3",     "*.zip"};
const std::vector<std::string> kExclusions = {"/体験版", "/.exe", "/修正", "/RAW", "/ｴｳﾞｧ"};

std::mt19937 g_rng(20250101);

template <typename T> const T& Pick(const std::vector<T>& v) {
    return v[g_rng() % v.size()];
}

// Keywords are written in another form than the names now and then, so that folding matters.
std::string Variant(const std::string& word) {
    switch (g_rng() % 4) {
    case 0: { // katakana as hiragana
        std::string out;
        for (std::size_t pos = 0; pos < word.size();) {
            const char32_t cp = sv::Utf8Next(word, pos);
            sv::Utf8Append(out, cp >= 0x30A1 && cp <= 0x30F6 ? cp - 0x60 : cp);
        }
        return out;
    }
    case 1:
        return sv::Fold(word, FoldFlags{false, true, false});
    default:
        return word;
    }
}

std::string MakeName(std::size_t i) {
    char episode[32];
    switch (i % 3) {
    case 0:
        std::snprintf(episode, sizeof episode, "第%02u話", static_cast<unsigned>(g_rng() % 30 + 1));
        break;
    case 1:
        std::snprintf(episode, sizeof episode, "#%02u", static_cast<unsigned>(g_rng() % 30 + 1));
        break;
    default:
        std::snprintf(episode, sizeof episode, "vol.%u", static_cast<unsigned>(g_rng() % 9 + 1));
        break;
    }
    std::string name = "[" + Pick(kCircles) + "] " + Pick(kTitles);
    if (g_rng() % 2)
        name += " " + Pick(kTitles);
    name += std::string(" ") + episode + " " + Pick(kTags) + Pick(kExtensions);
    return name;
}

struct Condition {
    std::string keywordText;
    bool keywordOr;
    bool excludeOr;
};

Condition MakeCondition() {
    Condition c;
    const std::size_t words = g_rng() % 3 + 1;
    for (std::size_t w = 0; w < words; ++w) {
        if (!c.keywordText.empty())
            c.keywordText += " ";
        c.keywordText +=
            g_rng() % 6 == 0 ? Pick(kMasks) : Variant(Pick(g_rng() % 3 == 0 ? kCircles : kTitles));
    }
    if (g_rng() % 3 == 0)
        c.keywordText += " " + Pick(kExclusions);
    c.keywordOr = g_rng() % 2;
    c.excludeOr = g_rng() % 2;
    return c;
}

std::string DestText(const Condition& c, bool fold) {
    std::string dest = "\\home\\u\\sorted";
    if (fold)
        dest += std::string{sv::mark::WidthFold, sv::mark::CaseFold, sv::mark::KanaFold};
    if (c.keywordOr)
        dest += sv::mark::KeywordOr;
    if (c.excludeOr)
        dest += sv::mark::ExcludeOr;
    return dest;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Result {
    double seconds;
    std::size_t hits;
};

Result RunMatching(const std::vector<std::string>& names, const std::vector<TKeywordLists>& lists) {
    const auto start = std::chrono::steady_clock::now();
    std::size_t hits = 0;
    for (const TKeywordLists& l : lists)
        for (const std::string& name : names)
            hits += sv::MatchesCondition(name, l);
    return {Seconds(start), hits};
}

// The run's way: each name folded once, the keyword index finds each condition's candidates, and
// only those are tested exactly.
Result RunIndexed(const std::vector<std::string>& names, const std::vector<TKeywordLists>& lists) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<const TKeywordLists*> pointers;
    for (const TKeywordLists& l : lists)
        pointers.push_back(&l);
    const sv::KeywordIndex index(pointers);
    sv::FolderListing listing;
    for (const std::string& name : names)
        listing.Add(name, false);
    std::size_t hits = 0;
    for (std::size_t c = 0; c < lists.size(); ++c)
        for (const std::uint32_t i : listing.Candidates(index, c, lists[c].fold))
            hits += sv::MatchesFoldedName(listing.Folded(i, lists[c].fold), lists[c]);
    return {Seconds(start), hits};
}

// The same walk with std::string::find alone, on names folded beforehand. Mask keywords are
// searched as plain texts here: the baseline measures the search, not the mask semantics.
bool Walk(const std::string& name, const std::vector<std::string>& keywords, bool orMode) {
    if (keywords.empty())
        return false;
    for (const std::string& k : keywords)
        if ((name.find(k) != std::string::npos) == orMode)
            return orMode;
    return !orMode;
}

Result RunBaseline(const std::vector<std::string>& folded, const std::vector<TKeywordLists>& lists) {
    const auto start = std::chrono::steady_clock::now();
    std::size_t hits = 0;
    for (const TKeywordLists& l : lists)
        for (const std::string& name : folded)
            hits += !Walk(name, l.exclusion, l.excludeOr) && Walk(name, l.sorting, l.keywordOr);
    return {Seconds(start), hits};
}

void Print(const char* label, std::size_t pairs, const Result& r) {
    std::printf("%-44s %7.3f s  %12.0f pairs/s  (%zu matches)\n", label, r.seconds,
                static_cast<double>(pairs) / r.seconds, r.hits);
}

} // namespace

int main() {
    std::vector<std::string> names;
    names.reserve(kNames);
    for (std::size_t i = 0; i < kNames; ++i)
        names.push_back(MakeName(i));
    std::vector<Condition> conditions;
    for (std::size_t i = 0; i < kConditions; ++i)
        conditions.push_back(MakeCondition());

    std::vector<TKeywordLists> folding;
    std::vector<TKeywordLists> plain;
    for (const Condition& c : conditions) {
        folding.push_back(sv::ParseKeywords(c.keywordText, DestText(c, true)));
        plain.push_back(sv::ParseKeywords(c.keywordText, DestText(c, false)));
    }
    const FoldFlags all{true, true, true};
    std::vector<std::string> folded;
    folded.reserve(names.size());
    for (const std::string& name : names)
        folded.push_back(sv::Fold(name, all));

    const std::size_t pairs = names.size() * conditions.size();
    std::printf("%zu names x %zu conditions = %zu pairs, e.g.\n", names.size(), conditions.size(), pairs);
    for (std::size_t i = 0; i < 3; ++i)
        std::printf("  name      %s\n  keywords  %s\n", names[i * 7].c_str(),
                    conditions[i].keywordText.c_str());

    const Result on = RunMatching(names, folding);
    const Result off = RunMatching(names, plain);
    const Result base = RunBaseline(folded, folding);
    const Result indexed = RunIndexed(names, folding);
    Print("MatchesCondition, kana+width+case folding", pairs, on);
    Print("MatchesCondition, no folding", pairs, off);
    Print("baseline: std::string::find, pre-folded", pairs, base);
    Print("the run's way: fold once, index, exact test", pairs, indexed);
    std::printf("ratio folding on / baseline:  %.2f\n", on.seconds / base.seconds);
    std::printf("ratio folding on, the run's way / baseline: %.2f\n", indexed.seconds / base.seconds);
    std::printf("ratio folding off / baseline: %.2f\n", off.seconds / base.seconds);
    return 0;
}
