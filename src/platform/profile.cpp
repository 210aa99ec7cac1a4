// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/profile.h"

#include "platform/cp932.h"
#include "platform/file_messages.h"
#include "platform/text.h"

#include <algorithm>
#include <limits>

namespace sv {
namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != text.npos;
}

Status CheckEncodable(std::string_view text) {
    const std::string bad = FirstUnencodableChar(text);
    if (!bad.empty())
        return Status::Fail("「" + std::string(text) + "」の文字 " + bad + " は保存できません。");
    return {};
}

Status CheckName(std::string_view name, std::string_view forbidden) {
    if (name.empty() || Trim(name) != name || HasLineBreak(name) ||
        name.find_first_of(forbidden) != name.npos)
        return Status::Fail("「" + std::string(name) + "」は設定ファイルの名前に使えません。");
    return CheckEncodable(name);
}

} // namespace

ProfileFile ProfileFile::Load(std::string_view pathText) {
    const FileRead read = ReadWholeFile(pathText);
    ProfileFile profile = read.state == ReadState::Ok ? FromBytes(read.bytes) : ProfileFile();
    profile.m_path = std::string(pathText);
    profile.m_state = read.state;
    return profile;
}

ProfileFile ProfileFile::FromBytes(std::string_view bytes) {
    ProfileFile profile;
    profile.m_state = ReadState::Ok;
    bytes = bytes.substr(0, bytes.find('\0'));
    // CR and LF are never the second byte of a code page 932 character, so the lines can be split
    // before decoding, and each keeps its own bytes for an unchanged write-back.
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == bytes.npos)
            end = bytes.size();
        profile.m_lines.push_back(ParseLine(std::string(bytes.substr(start, end - start))));
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return profile;
}

ProfileFile::Line ProfileFile::ParseLine(std::string bytes) {
    Line line;
    const std::string text = TrimLeft(Cp932ToUtf8(bytes));
    line.bytes = std::move(bytes);
    if (text.empty() || text[0] == ';')
        return line;
    if (text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close != text.npos) {
            line.kind = Kind::Section;
            line.name = Trim(std::string_view(text).substr(1, close - 1));
        }
        return line;
    }
    const std::size_t eq = text.find('=');
    if (eq == text.npos)
        return line;
    line.name = Trim(std::string_view(text).substr(0, eq));
    if (line.name.empty())
        return line;
    line.kind = Kind::Key;
    line.value = Trim(std::string_view(text).substr(eq + 1));
    return line;
}

std::size_t ProfileFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && SameName(m_lines[i].name, section))
            return i;
    }
    return std::string::npos;
}

std::size_t ProfileFile::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != Kind::Section)
        ++i;
    return i;
}

std::size_t ProfileFile::FindKey(std::string_view section, std::string_view key) const {
    const std::size_t header = FindSection(section);
    if (header == std::string::npos)
        return std::string::npos;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Key && SameName(m_lines[i].name, key))
            return i;
    }
    return std::string::npos;
}

bool ProfileFile::KeyExists(std::string_view section, std::string_view key) const {
    return FindKey(section, key) != std::string::npos;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    const std::size_t i = FindKey(section, key);
    if (i == std::string::npos)
        return std::string(fallback);
    std::string_view value = m_lines[i].value;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return Cp932Truncate(value, kMaxValueBytes);
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    if (!KeyExists(section, key))
        return fallback;
    const auto value = ParseInteger(ReadString(section, key, ""));
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max())
        return fallback;
    return static_cast<int>(*value);
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

Status ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (Status s = CheckName(section, "]"); !s)
        return s;
    if (Status s = CheckName(key, "=;["); !s)
        return s;
    if (HasLineBreak(value))
        return Status::Fail("「" + std::string(key) + "」の値に改行は保存できません。");
    if (Status s = CheckEncodable(value); !s)
        return s;

    const std::size_t existing = FindKey(section, key);
    if (existing != std::string::npos) {
        Line& line = m_lines[existing];
        // An unchanged value keeps its line exactly as it was.
        if (line.value == value)
            return {};
        line = ParseLine(*Utf8ToCp932(line.name + "=" + std::string(value)));
        return {};
    }
    Line line = ParseLine(*Utf8ToCp932(std::string(key) + "=" + std::string(value)));
    const std::size_t header = FindSection(section);
    if (header == std::string::npos) {
        m_lines.push_back(ParseLine(*Utf8ToCp932("[" + std::string(section) + "]")));
        m_lines.push_back(std::move(line));
        return {};
    }
    // Behind the section's last line that is not blank, so blank lines before the next section stay.
    std::size_t at = SectionEnd(header);
    while (at > header + 1 && m_lines[at - 1].kind == Kind::Other && Trim(m_lines[at - 1].bytes).empty())
        --at;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    return {};
}

Status ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

Status ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

void ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
    // Every copy in the section goes; otherwise a duplicate would take the deleted key's place.
    for (std::size_t i = FindKey(section, key); i != std::string::npos; i = FindKey(section, key))
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i));
}

bool ProfileFile::InPreferredCodes() const {
    return std::all_of(m_lines.begin(), m_lines.end(),
                       [](const Line& line) { return IsExactCp932(line.bytes); });
}

void ProfileFile::UsePreferredCodes() {
    for (Line& line : m_lines) {
        if (!IsExactCp932(line.bytes))
            line = ParseLine(Utf8ToCp932Lossy(Cp932ToUtf8(line.bytes)));
    }
}

std::string ProfileFile::Bytes() const {
    std::string out;
    for (const Line& line : m_lines) {
        out += line.bytes;
        out += "\r\n";
    }
    return out;
}

Status ProfileFile::Save() const {
    if (m_path.empty())
        return Status::Fail("設定ファイルの場所が決まっていません。");
    return FailureStatus(WriteFileAtomic(m_path, Bytes()));
}

} // namespace sv
