// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/write_lock.h"

#include "platform/file_messages.h"

#include <cerrno>
#include <cstdint>
#include <string>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#if __has_include(<linux/landlock.h>)
#include <linux/landlock.h>
#endif

// The bit values are fixed kernel ABI; headers older than the running kernel may lack the newer
// ones, and leaving truncation unhandled there would open a hole on a kernel that knows it.
#if defined(LANDLOCK_ACCESS_FS_WRITE_FILE) && !defined(LANDLOCK_ACCESS_FS_REFER)
#define LANDLOCK_ACCESS_FS_REFER (1ULL << 13)
#endif
#if defined(LANDLOCK_ACCESS_FS_WRITE_FILE) && !defined(LANDLOCK_ACCESS_FS_TRUNCATE)
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14)
#endif

namespace sv {

namespace {

const char kNoLandlock[] = "このシステムでは書き込みを禁止できません（Landlock が使えません）。";

#if defined(SYS_landlock_create_ruleset) && defined(SYS_landlock_restrict_self) &&                           \
    defined(LANDLOCK_CREATE_RULESET_VERSION) && defined(LANDLOCK_ACCESS_FS_WRITE_FILE)

Status Failure(const char* step, int err) {
    // The step is the system call's own name: no Japanese word says it better.
    return Status::Fail("書き込みを禁止できませんでした（" + SystemErrorReason(err) + "、" + step + "）。");
}

} // namespace

Status DenyFileSystemWrites() {
    // Asking for the version changes nothing, so a kernel without Landlock leaves us as we were.
    const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 0) {
        if (errno == ENOSYS || errno == EOPNOTSUPP)
            return Status::Fail(kNoLandlock);
        return Failure("landlock_create_ruleset", errno);
    }

    // Only rights the kernel knows may be handed, or it refuses the whole ruleset.
    std::uint64_t handled = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                            LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                            LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                            LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                            LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
    if (abi >= 2)
        handled |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3)
        handled |= LANDLOCK_ACCESS_FS_TRUNCATE;

    // No rules: every handled right is denied everywhere; reading and executing are not handled.
    landlock_ruleset_attr attr{};
    attr.handled_access_fs = handled;
    const long ruleset = ::syscall(SYS_landlock_create_ruleset, &attr, sizeof attr, 0U);
    if (ruleset < 0)
        return Failure("landlock_create_ruleset", errno);
    const int fd = static_cast<int>(ruleset);

    // Without it an unprivileged process may not restrict itself.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        const int err = errno;
        ::close(fd);
        return Failure("PR_SET_NO_NEW_PRIVS", err);
    }
    const long restricted = ::syscall(SYS_landlock_restrict_self, fd, 0U);
    const int err = errno;
    ::close(fd);
    if (restricted != 0)
        return Failure("landlock_restrict_self", err);
    return {};
}

#else

} // namespace

Status DenyFileSystemWrites() {
    return Status::Fail(kNoLandlock);
}

#endif

} // namespace sv
