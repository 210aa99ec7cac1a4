// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/removal.h"

#include "platform/posix_util.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

using detail::ForceNative;
using detail::NativeOf;
using detail::RemoveNative;

FileStatus RemoveEmptyFolder(std::string_view pathText) {
    const std::string native = NativeOf(pathText);
    if (::rmdir(native.c_str()) != 0)
        return FileError::System(FileOp::Delete, native, errno);
    return {};
}

FileStatus ForceFolder(std::string_view pathText) {
    std::string native;
    try {
        native = NativeOf(pathText);
        if (ForceNative(native, 0777))
            return {};
        return FileError::System(FileOp::MakeFolder, native, errno);
    } catch (...) {
        return FileError::System(FileOp::MakeFolder, native, ENOMEM);
    }
}

FileStatus DeletePermanently(std::string_view pathText) {
    const std::string native = NativeOf(pathText);
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0)
        return FileError::System(FileOp::Delete, native, errno);
    return RemoveNative(native);
}

} // namespace sv
