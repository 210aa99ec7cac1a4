// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pathtext.h"

#include <algorithm>

namespace sv {

std::string ToNativePath(std::string_view pathText) {
    std::string out(pathText);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string FromNativePath(std::string_view nativePath) {
    std::string out(nativePath);
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

bool IsPathTextName(std::string_view nativeName) {
    return nativeName.find('\\') == std::string_view::npos;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && out.back() != '\\')
        out.push_back('\\');
    out.append(name);
    return out;
}

std::string FolderOf(std::string_view pathText) {
    const auto pos = pathText.rfind('\\');
    return pos == std::string_view::npos ? std::string() : std::string(pathText.substr(0, pos + 1));
}

std::string_view LastComponent(std::string_view pathText) {
    const auto pos = pathText.rfind('\\');
    return pos == std::string_view::npos ? pathText : pathText.substr(pos + 1);
}

std::string_view WithoutTrailingSeparators(std::string_view pathText) {
    while (pathText.size() > 1 && pathText.back() == '\\')
        pathText.remove_suffix(1);
    return pathText;
}

std::string WithTrailingSeparator(std::string_view folder) {
    while (!folder.empty() && folder.back() == '\\')
        folder.remove_suffix(1);
    return std::string(folder) + '\\';
}

} // namespace sv
