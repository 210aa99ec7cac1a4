// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/condition_text.h"

#include "platform/cp932.h"
#include "platform/profile.h"

#include <algorithm>

namespace sv {
namespace {

bool HasControlChar(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

TTextCheck Storable(std::string_view text) {
    std::string ch = FirstUnstorableChar(text);
    if (ch.empty())
        return {};
    return {TextFault::Unstorable, std::move(ch)};
}

} // namespace

TTextCheck CheckKeywordText(std::string_view keywords) {
    if (HasControlChar(keywords))
        return {TextFault::ControlChar, {}};
    if (keywords.find("//") != std::string_view::npos)
        return {TextFault::DoubleSlash, {}};
    return Storable(keywords);
}

TTextCheck CheckSettingNameText(std::string_view name) {
    if (HasControlChar(name))
        return {TextFault::ControlChar, {}};
    return Storable(name);
}

TTextCheck CheckFolderText(std::string_view pathText) {
    if (HasControlChar(pathText))
        return {TextFault::ControlChar, {}};
    if (pathText.find_first_of("/*?\"<>|") != std::string_view::npos)
        return {TextFault::FolderMarker, {}};
    if (TTextCheck storable = Storable(pathText))
        return storable;
    // A default condition's folder goes to the settings file, which reads a value back cut to this.
    if (Cp932Length(pathText) > ProfileFile::kMaxValueBytes)
        return {TextFault::TooLong, {}};
    return {};
}

bool SlashRunsIntoName(std::string_view keywords, std::string_view settingName) {
    return !settingName.empty() && !keywords.empty() && keywords.back() == '/';
}

} // namespace sv
