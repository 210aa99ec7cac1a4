// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/trash.h"

#include "platform/clock.h"
#include "platform/pathtext.h"
#include "platform/posix_util.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

using detail::CanonicalPath;
using detail::ForceNative;
using detail::NativeOf;
using detail::TransferNative;
using detail::WriteAll;

namespace {

std::string BaseNameOf(const std::string& native) {
    const auto pos = native.rfind('/');
    return pos == std::string::npos ? native : native.substr(pos + 1);
}

std::string TrashDataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        return xdg;
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0] == '/') {
        home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty())
        return {};
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return (home == "/" ? std::string() : home) + "/.local/share";
}

std::string PercentEncodePath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            std::strchr("/-._~", c) != nullptr) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        }
    }
    return out;
}

} // namespace

FileResult<std::string> MoveToRecycleBin(std::string_view pathText) {
    std::string native = NativeOf(pathText);
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0)
        return FileError::System(FileOp::Trash, native, errno);
    if (native.front() != '/') {
        const std::string cwd = CanonicalPath(".");
        if (cwd.empty())
            return FileError::Found(FileOp::Trash, FileFault::NoTrash, native);
        native = cwd + "/" + native;
    }
    const std::string dataHome = TrashDataHome();
    if (dataHome.empty())
        return FileError::Found(FileOp::Trash, FileFault::NoTrash, native);
    const std::string trash = dataHome + "/Trash";
    const std::string files = trash + "/files";
    const std::string info = trash + "/info";
    if (!ForceNative(dataHome, 0700) || !ForceNative(trash, 0700) || !ForceNative(files, 0700) ||
        !ForceNative(info, 0700))
        return FileError::System(FileOp::MakeFolder, trash, errno);

    const std::string name = BaseNameOf(native);
    const LocalDateTime now = Now();
    const std::string record = "[Trash Info]\nPath=" + PercentEncodePath(native) +
                               "\nDeletionDate=" + std::to_string(now.year) + "-" + TwoDigits(now.month) +
                               "-" + TwoDigits(now.day) + "T" + TwoDigits(now.hour) + ":" +
                               TwoDigits(now.minute) + ":" + TwoDigits(now.second) + "\n";
    for (int n = 1; n < 100000; ++n) {
        const std::string candidate = n == 1 ? name : name + "." + std::to_string(n);
        const std::string infoPath = info + "/" + candidate + ".trashinfo";
        // The .trashinfo file is created exclusively first: it reserves the name.
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return FileError::System(FileOp::Write, infoPath, errno);
        }
        const bool written = WriteAll(fd, record.data(), record.size()) && ::fsync(fd) == 0;
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            const int err = errno;
            ::unlink(infoPath.c_str());
            return FileError::System(FileOp::Write, infoPath, err);
        }
        const std::string target = files + "/" + candidate;
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0) {
            // Left over without its record: the name is taken all the same.
            ::unlink(infoPath.c_str());
            continue;
        }
        const TransferResult moved = TransferNative(native, target, TransferMode::Move, {}, nullptr);
        if (!moved.ok()) {
            ::unlink(infoPath.c_str());
            return *moved.error;
        }
        // The whole folder is in the trash with its record, but part of it is still in its place.
        if (moved.leftBehind())
            return moved.leftBehindError.value_or(
                FileError::Found(FileOp::Trash, FileFault::Changed, native));
        return FromNativePath(target);
    }
    return FileError::Found(FileOp::Trash, FileFault::NoFreeName, native);
}

} // namespace sv
