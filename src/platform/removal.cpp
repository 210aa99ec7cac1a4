// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/removal.h"
#include "platform/dry_run.h"

#include "platform/posix_util.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

using detail::ErrnoText;
using detail::ForceNative;
using detail::NativeOf;
using detail::RemoveNative;

bool RemoveEmptyFolder(std::string_view pathText) {
    if (DryRun* dry = ActiveDryRun())
        return dry->RemoveEmptyFolder(pathText);
    return ::rmdir(NativeOf(pathText).c_str()) == 0;
}

bool ForceFolder(std::string_view pathText) {
    if (DryRun* dry = ActiveDryRun())
        return dry->ForceFolder(pathText);
    try {
        return ForceNative(NativeOf(pathText), 0777);
    } catch (...) {
        return false;
    }
}

Status DeletePermanently(std::string_view pathText) {
    if (DryRun* dry = ActiveDryRun())
        return dry->Delete(pathText);
    const std::string native = NativeOf(pathText);
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0)
        return Status::Fail(ErrnoText("cannot delete", native, errno));
    return RemoveNative(native);
}

} // namespace sv
