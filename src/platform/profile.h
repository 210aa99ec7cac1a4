// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/files.h"
#include "platform/result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

// An INI file held in memory, read and written the way profile strings behave, so that files
// are exchangeable with installations that use the system's profile services:
// - section and key names compare without regard to ASCII case; the first matching section and
//   the first matching key in it are the ones that count;
// - a value is read with everything up to the blank (codes 0 to 32) trimmed at both ends, then one
//   enclosing pair of double quotes is stripped, then it is cut to 2047 code page 932 bytes;
// - lines it does not understand (comments, blank lines, junk) and keys nobody touches are
//   written back byte for byte where they stood; a new key goes behind the last line of its
//   section, a new section at the end of the file;
// - code page 932 on disk, CR, LF or CR LF accepted on reading, a zero byte ends the text, CR LF
//   after every line when written.
class ProfileFile final {
public:
    static constexpr std::size_t kMaxValueBytes = 2047;

    ProfileFile() = default;

    // A missing file, or one that cannot be read, gives an empty profile; state() says which.
    static ProfileFile Load(std::string_view pathText);
    static ProfileFile FromBytes(std::string_view bytes);

    ReadState state() const { return m_state; }
    const std::string& path() const { return m_path; }

    bool KeyExists(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // A missing key, or a value that is not a decimal integer in the range of int, gives `fallback`.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // True for any integer other than 0.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    // Stores `value` as it is (no quotes are added). Refuses a value holding a line break, a zero
    // byte or a character code page 932 cannot hold: writing it would change the file's meaning or
    // lose the character, so nothing is written and the reason is returned.
    // Names that could not be read back (empty, a line break, "=" in a key, "]" in a section) are
    // refused the same way.
    Status WriteString(std::string_view section, std::string_view key, std::string_view value);
    Status WriteInteger(std::string_view section, std::string_view key, int value);
    Status WriteBool(std::string_view section, std::string_view key, bool value);
    // Removes the key and any duplicates of it from the section.
    void DeleteKey(std::string_view section, std::string_view key);

    // Whether every line is in the codes writing uses, so that a rewritten line and a kept one
    // can never hold the same character in two forms (IsExactCp932).
    bool InPreferredCodes() const;
    // Puts every line into those codes; the characters stay what they were.
    void UsePreferredCodes();

    // The whole file as it would be written.
    std::string Bytes() const;
    // Replaces the file it was loaded from atomically; a read-only file is left alone and the
    // failure carries the reason.
    Status Save() const;

private:
    enum class Kind { Other, Section, Key };
    struct Line final {
        std::string bytes; // as on disk, without the line end
        Kind kind = Kind::Other;
        std::string name;  // section or key name (UTF-8)
        std::string value; // raw value of a key, trimmed, quotes kept (UTF-8)
    };

    static Line ParseLine(std::string bytes);
    // Index of the first header of `section`, or npos.
    std::size_t FindSection(std::string_view section) const;
    // One past the last line belonging to the section whose header is at `header`.
    std::size_t SectionEnd(std::size_t header) const;
    std::size_t FindKey(std::string_view section, std::string_view key) const;

    std::vector<Line> m_lines;
    std::string m_path;
    ReadState m_state = ReadState::Missing;
};

} // namespace sv
