// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dry_run.h"

#include "platform/file_attributes.h"
#include "platform/file_reader.h"
#include "platform/in_use.h"
#include "platform/pathtext.h"
#include "platform/posix_util.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sv {

using detail::IsDotOrDotDot;
using detail::NativeOf;

namespace {

// Folders the run made have no device; they get one of their own.
constexpr std::uint64_t kMadeDevice = 0xD0D0D0D0D0D0D0D0ULL;

std::string ParentKey(const std::string& key) {
    const auto slash = key.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : key.substr(0, slash);
}

std::string Below(const std::string& folderKey, std::string_view name) {
    return (folderKey == "/" ? std::string() : folderKey) + "/" + std::string(name);
}

// "/a//b/./c/../d" as "/a/b/d"; relative paths start at the working folder.
std::string Lexical(std::string native) {
    if (native.empty() || native.front() != '/') {
        char cwd[4096];
        native = std::string(::getcwd(cwd, sizeof cwd) != nullptr ? cwd : "/") + "/" + native;
    }
    std::vector<std::string_view> parts;
    std::string_view rest(native);
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (const std::string_view part : parts)
        out.append("/").append(part);
    return out.empty() ? std::string("/") : out;
}

FileTime KernelNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return FileTime{static_cast<std::int64_t>(now.tv_sec), static_cast<std::int32_t>(now.tv_nsec)};
}

bool LstatOk(const std::string& native, struct stat& st) {
    return ::lstat(native.c_str(), &st) == 0;
}

bool StatAny(const std::string& native, struct stat& st) {
    return ::stat(native.c_str(), &st) == 0 || ::lstat(native.c_str(), &st) == 0;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

DryRun::DryRun() = default;
DryRun::~DryRun() = default;

// The folder as the kernel reaches it: the links of its existing part resolved. A folder that
// does not exist on disk keeps its own spelling below its nearest existing folder.
std::string DryRun::FolderKey(const std::string& native) {
    if (native == "/")
        return "/";
    if (const auto found = m_folderKeys.find(native); found != m_folderKeys.end())
        return found->second;
    std::string key = detail::CanonicalPath(native);
    if (key.empty())
        key = Below(FolderKey(ParentKey(native)), native.substr(native.rfind('/') + 1));
    m_folderKeys.emplace(native, key);
    return key;
}

std::string DryRun::Key(std::string_view pathText) {
    const std::string native = Lexical(NativeOf(pathText));
    if (native == "/")
        return native;
    return Below(FolderKey(ParentKey(native)), native.substr(native.rfind('/') + 1));
}

DryRun::Where DryRun::Resolve(const std::string& key) const {
    Where where;
    std::string at = key;
    for (;;) {
        if (const auto found = m_nodes.find(at); found != m_nodes.end()) {
            const Node& node = found->second;
            if (node.kind == Kind::Hidden || (node.kind == Kind::Made && at != key))
                return where;
            where.kind = node.kind;
            where.serial = node.serial;
            if (at == key)
                where.mtime = node.mtime;
            if (node.kind == Kind::Made)
                return where;
            where.real = node.real + key.substr(at.size());
            where.copy = node.copy;
            break;
        }
        if (at == "/") {
            where.real = key;
            break;
        }
        at = ParentKey(at);
    }
    struct stat st {};
    if (!LstatOk(where.real, st))
        return Where{};
    where.kind = Kind::Real;
    return where;
}

DryRun::Where DryRun::ResolveText(std::string_view pathText) {
    return Resolve(Key(pathText));
}

bool DryRun::Writable(const std::string& folderKey) const {
    const Where where = Resolve(folderKey);
    if (where.kind == Kind::Made)
        return true;
    return where.kind == Kind::Real && ::access(where.real.c_str(), W_OK | X_OK) == 0;
}

// The file system an item lies on; a folder the run made lies on that of its nearest real folder.
std::uint64_t DryRun::RealDevice(const std::string& key) const {
    for (std::string at = key;; at = ParentKey(at)) {
        const Where where = Resolve(at);
        struct stat st {};
        if (where.kind == Kind::Real && ::stat(where.real.c_str(), &st) == 0)
            return static_cast<std::uint64_t>(st.st_dev);
        if (at == "/")
            return 0;
    }
}

void DryRun::EraseBelow(const std::string& key, bool includingKey) {
    if (includingKey)
        m_nodes.erase(key);
    const std::string prefix = key == "/" ? key : key + "/";
    for (auto it = m_nodes.lower_bound(prefix); it != m_nodes.end() && StartsWith(it->first, prefix);)
        it = m_nodes.erase(it);
}

// A folder whose entries changed carries the time of the change, as the kernel would give it.
void DryRun::Touch(const std::string& folderKey) {
    if (const auto found = m_nodes.find(folderKey); found != m_nodes.end()) {
        if (found->second.kind != Kind::Hidden)
            found->second.mtime = KernelNow();
        return;
    }
    const Where where = Resolve(folderKey);
    if (where.kind != Kind::Real)
        return;
    Node node;
    node.real = where.real;
    node.copy = where.copy;
    node.mtime = KernelNow();
    m_nodes.emplace(folderKey, std::move(node));
}

// The item at `from`, with everything below it, is now (also, for a copy) at `to`.
void DryRun::Place(const std::string& from, const std::string& to, bool copy) {
    const Where where = Resolve(from);
    Node top;
    top.kind = where.kind;
    top.real = where.real;
    top.copy = copy ? ++m_copies : where.copy;
    top.mtime = where.mtime;
    top.serial = ++m_serial;
    std::vector<std::pair<std::string, Node>> below;
    const std::string prefix = from + "/";
    for (auto it = m_nodes.lower_bound(prefix); it != m_nodes.end() && StartsWith(it->first, prefix); ++it) {
        Node node = it->second;
        if (copy && node.kind == Kind::Real)
            node.copy = ++m_copies;
        if (copy)
            node.serial = ++m_serial;
        below.emplace_back(it->first.substr(from.size()), std::move(node));
    }
    EraseBelow(to, true);
    if (!copy) {
        EraseBelow(from, true);
        m_nodes[from] = Node{Kind::Hidden, {}, 0, std::nullopt, 0};
        Touch(ParentKey(from));
    }
    m_nodes[to] = std::move(top);
    for (auto& [suffix, node] : below)
        m_nodes[to + suffix] = std::move(node);
    Touch(ParentKey(to));
    ++m_changes;
}

bool DryRun::Exists(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    return ResolveText(pathText).kind != Kind::Hidden;
}

bool DryRun::FileExists(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    const Where where = ResolveText(pathText);
    struct stat st {};
    return where.kind == Kind::Real && ::stat(where.real.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DryRun::FolderExists(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    const Where where = ResolveText(pathText);
    struct stat st {};
    return where.kind == Kind::Made ||
           (where.kind == Kind::Real && ::stat(where.real.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

std::optional<std::uint64_t> DryRun::EntrySize(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    const Where where = ResolveText(pathText);
    if (where.kind == Kind::Made)
        return 0;
    struct stat st {};
    if (where.kind != Kind::Real || !StatAny(where.real, st))
        return std::nullopt;
    return S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
}

std::optional<FileTime> DryRun::LastWriteTime(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    const Where where = ResolveText(pathText);
    if (where.kind == Kind::Hidden)
        return std::nullopt;
    if (where.mtime)
        return where.mtime;
    struct stat st {};
    if (where.kind != Kind::Real || !StatAny(where.real, st))
        return std::nullopt;
    return FileTime{static_cast<std::int64_t>(st.st_mtim.tv_sec),
                    static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
}

bool DryRun::CanOpenForReading(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    const Where where = ResolveText(pathText);
    if (where.kind != Kind::Real)
        return where.kind == Kind::Made;
    const int fd = ::open(where.real.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool DryRun::IsReadOnly(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    const Where where = ResolveText(pathText);
    struct stat st {};
    return where.kind == Kind::Real && ::stat(where.real.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool DryRun::IsInUseForWriting(std::string_view pathText, const InUseProbe& probe) {
    std::string real;
    {
        std::lock_guard lock(m_mutex);
        const Where where = ResolveText(pathText);
        if (where.kind != Kind::Real)
            return false;
        real = where.real;
    }
    return probe.IsInUseForWriting(FromNativePath(real));
}

std::optional<FileIdentity> DryRun::IdentityOf(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    const Where where = ResolveText(pathText);
    if (where.kind == Kind::Made)
        return FileIdentity{kMadeDevice, where.serial};
    struct stat st {};
    if (where.kind != Kind::Real || ::stat(where.real.c_str(), &st) != 0)
        return std::nullopt;
    FileIdentity identity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    if (where.copy != 0)
        identity.device = (1ULL << 63) | (where.copy << 24) | (identity.device & 0xFFFFFFULL);
    return identity;
}

bool DryRun::IsSameItem(std::string_view pathTextA, std::string_view pathTextB) {
    std::string realA;
    std::string realB;
    {
        std::lock_guard lock(m_mutex);
        const std::string keyA = Key(pathTextA);
        const std::string keyB = Key(pathTextB);
        const Where a = Resolve(keyA);
        const Where b = Resolve(keyB);
        if (a.kind == Kind::Hidden || b.kind == Kind::Hidden)
            return false;
        if (keyA == keyB)
            return true;
        if (a.kind != Kind::Real || b.kind != Kind::Real || a.copy != b.copy)
            return false;
        realA = a.real;
        realB = b.real;
    }
    return sv::IsSameItem(FromNativePath(realA), FromNativePath(realB));
}

// What the kernel says of a path with nothing there: the nearest item above it that is there
// decides, a folder with ENOENT, anything else with ENOTDIR.
int DryRun::MissingError(const std::string& key) const {
    for (std::string above = ParentKey(key);; above = ParentKey(above)) {
        const Where where = Resolve(above);
        if (where.kind == Kind::Made)
            return ENOENT;
        if (where.kind == Kind::Real) {
            struct stat st {};
            return ::stat(where.real.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ENOENT : ENOTDIR;
        }
        if (above == "/")
            return ENOENT;
    }
}

std::optional<std::string> DryRun::RealFile(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    const Where where = ResolveText(pathText);
    if (where.kind != Kind::Real)
        return std::nullopt;
    return where.real;
}

std::optional<ContentStamp> DryRun::ContentStampOf(std::string_view pathText) {
    const std::optional<std::string> real = RealFile(pathText);
    if (!real)
        return std::nullopt;
    return ContentStampOfNative(*real);
}

bool DryRun::OnFileSystemOf(std::string_view entryPathText, std::string_view folderPathText) {
    return sv::OnFileSystemOf(entryPathText, folderPathText);
}

FileStatus DryRun::OpenFolder(DirReader& reader, std::string_view folderPathText, EnumOptions options) {
    FileError error;
    std::unique_ptr<DryListing> listing = OpenListing(folderPathText, options, error);
    return reader.Open(std::move(listing), std::move(error));
}

// Contents never change: the bytes are those of the real file behind the path.
FileStatus DryRun::OpenFile(FileReader& reader, std::string_view pathText) {
    const std::optional<std::string> real = RealFile(pathText);
    if (!real)
        return FileError::System(FileOp::Open, NativeOf(pathText), ENOENT);
    return reader.OpenNative(*real);
}

std::unique_ptr<DryListing> DryRun::OpenListing(std::string_view folderPathText, EnumOptions options,
                                                FileError& error) {
    std::lock_guard lock(m_mutex);
    const std::string native = NativeOf(folderPathText);
    const Where where = ResolveText(folderPathText);
    struct stat st {};
    if (where.kind == Kind::Hidden) {
        error = FileError::System(FileOp::Open, native, ENOENT);
        return nullptr;
    }
    if (where.kind == Kind::Real && (::stat(where.real.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        error = FileError::System(FileOp::Open, native, ENOTDIR);
        return nullptr;
    }
    auto listing = std::make_unique<DryListing>(*this, FolderKey(Lexical(native)), where.real,
                                                where.kind == Kind::Real, options);
    if (!listing->Opened()) {
        error = FileError::System(FileOp::Open, native, errno);
        return nullptr;
    }
    return listing;
}

namespace {

FileOp Verb(TransferMode mode) {
    return mode == TransferMode::Move ? FileOp::Move : FileOp::Copy;
}

} // namespace

// The failures are those the real transfer reports in the same situation.
TransferResult DryRun::Transfer(std::string_view sourcePathText, std::string_view targetPathText,
                                TransferMode mode, const TransferOptions& options, TransferProgress*) {
    std::lock_guard lock(m_mutex);
    const std::string source = NativeOf(sourcePathText);
    const std::string target = NativeOf(targetPathText);
    const std::string from = Key(sourcePathText);
    const std::string to = Key(targetPathText);
    const Where at = Resolve(from);
    struct stat st {};
    if (at.kind == Kind::Hidden)
        return TransferResult::Failed(FileError::System(FileOp::Examine, source, MissingError(from)));
    const bool folder = at.kind == Kind::Made || (LstatOk(at.real, st) && S_ISDIR(st.st_mode));
    if (folder && (to == from || StartsWith(to, from + "/")))
        return TransferResult::Failed(FileError::Found(Verb(mode), FileFault::IntoItself, source));
    if (Resolve(to).kind != Kind::Hidden) {
        if (IsSameItem(sourcePathText, targetPathText))
            return TransferResult::Failed(FileError::Found(Verb(mode), FileFault::OntoItself, source));
        if (!options.replaceExisting)
            return TransferResult::Failed(FileError::Found(Verb(mode), FileFault::Exists, target));
    }
    const std::string targetFolder = ParentKey(to);
    if (const FileStatus made = ForceFolder(FromNativePath(targetFolder)); !made)
        return TransferResult::Failed(
            FileError::System(FileOp::MakeFolder, detail::ParentOf(target), made.error().code));
    if (!Writable(targetFolder))
        return TransferResult::Failed(mode == TransferMode::Move
                                          ? FileError::System(FileOp::Move, source, EACCES)
                                          : FileError::System(FileOp::Create, target, EACCES));
    if (mode == TransferMode::Move && !Writable(ParentKey(from)))
        return TransferResult::Failed(FileError::System(FileOp::Move, source, EACCES));
    if (mode == TransferMode::Copy && !folder && ::access(at.real.c_str(), R_OK) != 0)
        return TransferResult::Failed(FileError::System(FileOp::Open, source, errno));
    Place(from, to, mode == TransferMode::Copy);
    return TransferResult::Done();
}

bool DryRun::MoveByRename(std::string_view sourcePathText, std::string_view targetPathText) {
    std::lock_guard lock(m_mutex);
    const std::string from = Key(sourcePathText);
    const std::string to = Key(targetPathText);
    const std::string folder = ParentKey(to);
    const Where at = Resolve(from);
    const Where into = Resolve(folder);
    struct stat st {};
    if (at.kind == Kind::Hidden || Resolve(to).kind != Kind::Hidden || to == from ||
        StartsWith(to, from + "/"))
        return false;
    if (into.kind == Kind::Hidden ||
        (into.kind == Kind::Real && (::stat(into.real.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))))
        return false;
    if (RealDevice(from) != RealDevice(folder) || !Writable(folder) || !Writable(ParentKey(from)))
        return false;
    Place(from, to, false);
    return true;
}

FileStatus DryRun::Rename(std::string_view sourcePathText, std::string_view targetPathText) {
    std::lock_guard lock(m_mutex);
    const std::string source = NativeOf(sourcePathText);
    const std::string target = NativeOf(targetPathText);
    const std::string from = Key(sourcePathText);
    const std::string to = Key(targetPathText);
    const std::string folder = ParentKey(to);
    // In the kernel's order: the two folders are looked up first, then the items in them.
    const bool missing = Resolve(from).kind == Kind::Hidden;
    if (missing && MissingError(from) == ENOTDIR)
        return FileError::System(FileOp::Rename, source, ENOTDIR);
    if (!FolderExists(FromNativePath(folder)))
        return FileError::System(FileOp::Rename, source, MissingError(to));
    if (missing)
        return FileError::System(FileOp::Rename, source, ENOENT);
    if (Resolve(to).kind != Kind::Hidden)
        return FileError::Found(FileOp::Rename, FileFault::Exists, target);
    // The kernel refuses to put a folder inside itself.
    if (StartsWith(to, from + "/"))
        return FileError::System(FileOp::Rename, source, EINVAL);
    if (RealDevice(from) != RealDevice(folder))
        return FileError::System(FileOp::Rename, source, EXDEV);
    if (!Writable(folder) || !Writable(ParentKey(from)))
        return FileError::System(FileOp::Rename, source, EACCES);
    Place(from, to, false);
    return {};
}

FileStatus DryRun::ForceFolder(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    const std::string key = Key(pathText);
    const Where where = Resolve(key);
    struct stat st {};
    if (where.kind == Kind::Made)
        return {};
    if (where.kind == Kind::Real) {
        if (::stat(where.real.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return {};
        return FileError::System(FileOp::MakeFolder, NativeOf(pathText), ENOTDIR);
    }
    if (key == "/")
        return FileError::System(FileOp::MakeFolder, NativeOf(pathText), ENOENT);
    const std::string parent = ParentKey(key);
    if (const FileStatus above = ForceFolder(FromNativePath(parent)); !above)
        return FileError::System(FileOp::MakeFolder, NativeOf(pathText), above.error().code);
    if (!Writable(parent))
        return FileError::System(FileOp::MakeFolder, NativeOf(pathText), EACCES);
    EraseBelow(key, true);
    m_nodes[key] = Node{Kind::Made, {}, 0, KernelNow(), ++m_serial};
    Touch(parent);
    ++m_changes;
    return {};
}

FileStatus DryRun::RemoveEmptyFolder(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    FileError error;
    const auto listing = OpenListing(pathText, {}, error);
    if (!listing)
        return FileError::System(FileOp::Delete, NativeOf(pathText),
                                 ResolveText(pathText).kind == Kind::Hidden ? MissingError(Key(pathText))
                                                                            : ENOTDIR);
    if (listing->Next())
        return FileError::System(FileOp::Delete, NativeOf(pathText), ENOTEMPTY);
    return DeletePermanently(pathText);
}

FileStatus DryRun::DeletePermanently(std::string_view pathText) {
    std::lock_guard lock(m_mutex);
    const std::string native = NativeOf(pathText);
    const std::string key = Key(pathText);
    if (Resolve(key).kind == Kind::Hidden)
        return FileError::System(FileOp::Delete, native, MissingError(key));
    if (!Writable(ParentKey(key)))
        return FileError::System(FileOp::Delete, native, EACCES);
    EraseBelow(key, true);
    m_nodes[key] = Node{Kind::Hidden, {}, 0, std::nullopt, 0};
    Touch(ParentKey(key));
    ++m_changes;
    return {};
}

// ---- DryListing ----------------------------------------------------------------------------------

DryListing::DryListing(DryRun& run, std::string key, std::string real, bool realFolder, EnumOptions options)
    : m_run(run), m_key(std::move(key)), m_real(std::move(real)), m_options(options),
      m_realFolder(realFolder) {
    if (realFolder)
        m_dir = ::opendir(m_real.c_str());
    m_realDone = m_dir == nullptr;
    // What the run brought in before the listing began, in the order it came. Like a real folder
    // listing, one that is under way does not show what arrives later.
    std::vector<std::pair<std::uint64_t, std::string>> arrivals;
    const std::string prefix = m_key == "/" ? m_key : m_key + "/";
    for (auto it = m_run.m_nodes.lower_bound(prefix);
         it != m_run.m_nodes.end() && StartsWith(it->first, prefix); ++it) {
        const std::string name = it->first.substr(prefix.size());
        const DryRun::Node& node = it->second;
        const bool inPlace = node.kind == DryRun::Kind::Real && node.real == Below(m_real, name);
        if (name.find('/') == std::string::npos && node.kind != DryRun::Kind::Hidden && !inPlace)
            arrivals.emplace_back(node.serial, name);
    }
    std::sort(arrivals.begin(), arrivals.end());
    for (auto& arrival : arrivals)
        m_arrivals.push_back(std::move(arrival.second));
}

DryListing::~DryListing() {
    if (m_dir != nullptr)
        ::closedir(static_cast<DIR*>(m_dir));
}

bool DryListing::Wanted(DirEntry& entry) const {
    entry.hidden = !entry.name.empty() && entry.name.front() == '.';
    entry.backslashName = entry.name.find('\\') != std::string_view::npos;
    return !(entry.hidden && m_options.skipHidden) && !(entry.backslashName && m_options.skipBackslashNames);
}

std::optional<DirEntry> DryListing::Next() {
    std::lock_guard lock(m_run.m_mutex);
    using Kind = DryRun::Kind;
    const std::string realFolder = m_real == "/" ? std::string() : m_real;
    while (!m_realDone) {
        const dirent* entry = ::readdir(static_cast<DIR*>(m_dir));
        if (entry == nullptr) {
            m_realDone = true;
            break;
        }
        if (IsDotOrDotDot(entry->d_name))
            continue;
        m_name = entry->d_name;
        const auto node = m_run.m_nodes.find(Below(m_key, m_name));
        // Gone, or another item stands in its place (that one comes with the arrivals).
        if (node != m_run.m_nodes.end() &&
            (node->second.kind != Kind::Real || node->second.real != realFolder + "/" + m_name))
            continue;
        DirEntry out;
        out.name = m_name;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            out.isFolder =
                ::fstatat(::dirfd(static_cast<DIR*>(m_dir)), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(st.st_mode);
        } else {
            out.isFolder = entry->d_type == DT_DIR;
        }
        if (!Wanted(out))
            continue;
        return out;
    }
    while (m_nextArrival < m_arrivals.size()) {
        m_name = m_arrivals[m_nextArrival++];
        const DryRun::Where where = m_run.Resolve(Below(m_key, m_name));
        if (where.kind == Kind::Hidden)
            continue;
        DirEntry out;
        out.name = m_name;
        struct stat st {};
        out.isFolder = where.kind == Kind::Made || (LstatOk(where.real, st) && S_ISDIR(st.st_mode));
        if (!Wanted(out))
            continue;
        return out;
    }
    return std::nullopt;
}

} // namespace sv
