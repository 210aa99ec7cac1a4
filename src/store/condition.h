// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace sv {

// Marker characters and block characters of the coded destination text.
namespace mark {
inline constexpr char Checked = '\x08'; // only counts as the very first character
inline constexpr char WidthFold = '*';
inline constexpr char CaseFold = '?';
inline constexpr char KeywordOr = '|';
inline constexpr char SubFolders = '>';
inline constexpr char ExtChangeOff = '"';
inline constexpr char HistoryOff = '\x07';
inline constexpr char CompareOff = '\x01';
inline constexpr char ShowOther = '\x02';
inline constexpr char IncludeFolders = '\x03';
inline constexpr char CopyMode = '\x04';
inline constexpr char KanaFold = '\x10';
inline constexpr char ExcludeOr = '\x11';
inline constexpr char OnlyFolders = '\x18';
inline constexpr char SizeBlock1 = '\x05';
inline constexpr char SizeBlock2 = '\x06';
inline constexpr char Timestamp = '\x13';
inline constexpr char TimeLimit1 = '\x14';
inline constexpr char TimeLimit2 = '\x15';
inline constexpr char TimeLimit3 = '\x16';
inline constexpr char TimeLimit4 = '\x17';
inline constexpr char OwnSource = '<';
inline constexpr char SourceStart = '/';
} // namespace mark

inline constexpr std::string_view kDefaultSizeBlock = "0001022";
inline constexpr std::string_view kDefaultPattern = "212121111";
inline constexpr std::string_view kDefaultTimeLimitLong = "020090101";
inline constexpr std::string_view kDefaultTimeLimitShort = "00100";

// One sorting condition in its packed, canonical form: the stored keyword text (keywords,
// optionally "//" and the setting name) and the coded destination text (destination folder,
// marker characters, fixed-width blocks, optionally "<" and "/" with the own source folder).
struct TSortCondition final {
    std::string keywordText;
    std::string destText;

    bool operator==(const TSortCondition&) const = default;
};

// Decoders: pure functions of the two texts.
std::string Keywords(std::string_view keywordText);
std::string SettingName(std::string_view keywordText);
bool HasMarker(std::string_view destText, char marker);
bool IsChecked(std::string_view destText);
// The 7 characters after the first block character 5 or 6, or "0001022" when it is absent.
std::string SizeBlock(std::string_view destText, char blockChar);
// The integer of characters 2 to 5 of a size block (leading blanks allowed); nothing when they
// are not a number.
std::optional<int> SizeValue(std::string_view sizeBlock);
// The same for the four characters themselves, as TSizeLimit holds them.
std::optional<int> SizeNumber(std::string_view sizeText);
// "1"/"0" and the nine pattern digits, or "0212121111" when the block is absent.
std::string TimestampBlock(std::string_view destText);
// A time-limit block (characters 20 to 23) as stored, or its default.
std::string TimeLimitBlock(std::string_view destText, char blockChar);
std::string SourceFolder(std::string_view destText);
std::string DecodeDestFolder(std::string_view destText);
std::string SetChecked(std::string_view destText, bool on);

// Trims and reduces a run of trailing backslashes to one; a drive root such as "C:\" stays.
std::string NormaliseFolderPath(std::string_view text);

// The unit and the relation of a size limit, numbered as their digits are stored. A damaged digit
// (3 to 9) is carried as its number, so that a condition is written back as it was read.
enum class SizeUnit : int { Bytes = 0, KiloBytes = 1, MegaBytes = 2 };
enum class SizeRelation : int { Exactly = 0, AtMost = 1, AtLeast = 2 };

// Which side of a time-limit row's moment is not sorted, and the term of an age, numbered as
// stored.
enum class TimeSide : int { AtOrBefore = 0, AtOrAfter = 1 };  // 以前の, 以降の
enum class AgeTerm : int { Days = 0, Weeks = 1, Months = 2 }; // 日前, 週間前, ヶ月前

// The logical view of a condition, as the editor and the CSV exchange use it.
struct TSizeLimit final {
    bool on = false;
    std::string sizeText = "10"; // as typed or stored; stored right-aligned in four characters
    SizeUnit unit = SizeUnit::MegaBytes;
    SizeRelation relation = SizeRelation::AtLeast;

    bool operator==(const TSizeLimit&) const = default;
};

// A time-limit row of the date kind (blocks 20 and 21): items last written on or before, or on or
// after, the start of the chosen day (local time) are not sorted.
struct TDateLimit final {
    bool on = false;
    int year = 2009;
    int month = 1;
    int day = 1;
    TimeSide relation = TimeSide::AtOrBefore;

    bool operator==(const TDateLimit&) const = default;
};

// A time-limit row of the age kind (blocks 22 and 23): the moment `count` days, weeks or calendar
// months before the start of the run.
struct TAgeLimit final {
    bool on = false;
    int count = 1; // 0 to 99
    AgeTerm term = AgeTerm::Days;
    TimeSide relation = TimeSide::AtOrBefore;

    bool operator==(const TAgeLimit&) const = default;
};

struct TConditionFields final {
    bool checked = false;
    std::string settingName;
    bool ownSource = false; // SourceSelect
    std::string sourceFolder;
    bool subFolders = false;
    bool keywordOr = false;
    bool excludeOr = false;
    std::string keywords;
    std::string destFolder;
    bool copyMode = false;
    bool showOther = false;
    bool caseFold = false;
    bool widthFold = false;
    bool kanaFold = false;
    bool compareOff = false;
    bool historyOff = false;
    bool extChangeOff = false;
    bool includeFolders = false;
    bool onlyFolders = false;
    TSizeLimit size1;
    TSizeLimit size2;
    bool timestampFolder = false;
    std::string patternCode = std::string(kDefaultPattern);
    std::array<TDateLimit, 2> dateLimits{};
    std::array<TAgeLimit, 2> ageLimits{};

    bool operator==(const TConditionFields&) const = default;
};

// A date in the range a block holds (years 1601 to 9999).
bool ValidLimitDate(int year, int month, int day);

// The rows of the four time-limit blocks. A missing block, and one that does not read as a whole
// row (a date that does not exist, a relation other than 0 or 1, a count that is not two digits),
// reads as its default: unticked.
TDateLimit DecodeDateLimit(std::string_view destText, char blockChar);
TAgeLimit DecodeAgeLimit(std::string_view destText, char blockChar);

TConditionFields DecodeCondition(const TSortCondition& condition);

// The blocks of the ticked time-limit rows, in block order; nothing when no row is ticked, so that
// a condition without limits keeps the bytes other installations write. Refuses a row that does not
// fit its block.
Status ComposeTimeLimits(const TConditionFields& fields, std::string& blocks);

// `destText` with the time-limit blocks of `fromDestText` in place of its own, behind its
// time-stamp block (or in front of the source-folder part when it has none).
std::string CarryTimeLimits(std::string_view destText, std::string_view fromDestText);

// Packs the fields in the editor's order: check marker, destination folder, flag characters,
// the two size blocks and the time-stamp block, the blocks of the ticked time-limit rows, then "<"
// and the source-folder part. Refuses (with the reason) what could not be read back as written: a
// marker or line-break character in a folder, keyword or name text, "//" inside the keywords, a
// size that does not fit its block while its limit is on, a ticked time-limit row that does not fit
// its block, or a pattern code that is not nine digits. A size text that does not fit while its
// limit is off is stored as blanks (it reads back as the default size).
Status ComposeCondition(const TConditionFields& fields, TSortCondition& out);

} // namespace sv
