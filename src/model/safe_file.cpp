#include "model/safe_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnix {

namespace {

int RefusalFor(mode_t mode) {
    return S_ISDIR(mode) ? EISDIR : EINVAL;
}

int WriteAllAt(int fd, std::span<const std::uint8_t> bytes, off_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return EIO;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Copies [begin, end) from one file to the same offsets of another, in the kernel where it can, else
// through a small buffer; never the whole range in memory.
int CopyRange(int from, int to, off_t begin, off_t end) {
    bool kernelCopy = true;
    std::vector<std::uint8_t> buffer;
    while (begin < end) {
        const std::size_t want = static_cast<std::size_t>(std::min<off_t>(end - begin, off_t{1} << 24));
        if (kernelCopy) {
            loff_t in = begin;
            loff_t out = begin;
            const ssize_t n = ::copy_file_range(from, &in, to, &out, want, 0);
            if (n > 0) {
                begin += n;
                continue;
            }
            if (n == 0) {
                return EIO; // the file shrank while it was copied
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
                errno != EPERM) {
                return errno;
            }
            kernelCopy = false;
            buffer.resize(1 << 20);
        }
        const ssize_t n = ::pread(from, buffer.data(), std::min(want, buffer.size()), begin);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        if (const int error = WriteAllAt(to, {buffer.data(), static_cast<std::size_t>(n)}, begin);
            error != 0) {
            return error;
        }
        begin += n;
    }
    return 0;
}

// Calls `each(begin, end, isData)` for the data and hole stretches of [0, size); a file system that cannot
// tell them apart gives one data stretch. A sparse file is thus copied without writing its holes.
int ForEachStretch(int fd, off_t size, const std::function<int(off_t, off_t, bool)>& each) {
    off_t at = 0;
    while (at < size) {
        off_t data = ::lseek(fd, at, SEEK_DATA);
        if (data < 0) {
            if (errno != ENXIO) {
                return each(at, size, true);
            }
            data = size; // only a hole remains
        }
        data = std::min(data, size);
        if (data > at) {
            if (const int error = each(at, data, false); error != 0) {
                return error;
            }
        }
        if (data >= size) {
            break;
        }
        off_t hole = ::lseek(fd, data, SEEK_HOLE);
        hole = hole < 0 ? size : std::min(hole, size);
        if (const int error = each(data, hole, true); error != 0) {
            return error;
        }
        at = hole;
    }
    return 0;
}

// Copies [0, size) of `from` into `to` at the same offsets, leaving its holes unwritten.
int CopyContent(int from, int to, off_t size) {
    return ForEachStretch(from, size, [&](off_t begin, off_t end, bool isData) {
        return isData ? CopyRange(from, to, begin, end) : 0;
    });
}

// A nameless scratch file outside the target's folder (which may take no new entries): the system's
// temporary folder, else memory.
int OpenScratch() {
    const char* env = std::getenv("TMPDIR");
    for (const char* folder : {env, "/tmp"}) {
        if (folder != nullptr && *folder != '\0') {
            const int fd = ::open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
            if (fd >= 0) {
                return fd;
            }
        }
    }
    const int fd = ::memfd_create("tarnix-backup", MFD_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links finally names; it need not exist yet (a dangling link is saved
// through, creating its target). Up to 40 links, as many as the system follows when the file is opened.
int ResolveLinks(const std::string& path, std::string& target) {
    std::string current = path;
    for (int hop = 0; hop <= 40; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0) {
            if (errno != ENOENT) {
                return errno;
            }
            target = current;
            return 0;
        }
        if (!S_ISLNK(info.st_mode)) {
            target = current;
            return 0;
        }
        std::vector<char> link(PATH_MAX);
        ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) {
            return errno;
        }
        std::string next(link.data(), static_cast<std::size_t>(n));
        current = next.starts_with('/') ? next : FolderOf(current) + "/" + next;
    }
    return ELOOP;
}

// "<name>.tmp-<pid>-<n>-<ns>" beside the target; the name part is shortened so that the whole stays
// within the folder's limit on a name's length.
std::string TemporaryName(const std::string& target) {
    static unsigned counter = 0;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%d-%u-%lx", static_cast<int>(::getpid()), ++counter,
                  static_cast<unsigned long>(now.tv_nsec));
    const std::string folder = FolderOf(target);
    const std::size_t nameStart = target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1;
    long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (limit <= 0) {
        limit = NAME_MAX;
    }
    const std::size_t suffixLength = std::char_traits<char>::length(suffix);
    const std::size_t room =
        static_cast<std::size_t>(limit) > suffixLength ? static_cast<std::size_t>(limit) - suffixLength : 0;
    return target.substr(0, nameStart + std::min(room, target.size() - nameStart)) + suffix;
}

// A writable file that cannot be replaced by a rename (a folder that takes no new entries, another user's
// file in a shared sticky folder, a bind-mounted file) is rewritten in place rather than refused. The bytes
// the rewrite changes are first copied to a scratch file and written back if any step fails, and the room
// for a longer file is reserved before the first byte changes, so a full disk refuses the save with the
// file untouched. Only a crash during this write can damage the file. `truncate` false keeps the bytes
// past the new ones.
int RewriteInPlace(const std::string& path, std::span<const std::uint8_t> bytes, bool truncate) {
    const int fd = OpenRegularFile(path, O_RDWR);
    if (fd < 0) {
        return -fd;
    }
    struct stat info {};
    int error = ::fstat(fd, &info) != 0 ? errno : 0;
    const off_t oldSize = info.st_size;
    const off_t newSize = static_cast<off_t>(bytes.size());
    const off_t finalSize = truncate ? newSize : std::max(oldSize, newSize);
    // What the rewrite changes: the new bytes' range, and the tail a shorter file drops.
    const off_t changedEnd = truncate ? oldSize : std::min(oldSize, newSize);
    int backup = -1;
    if (error == 0) {
        backup = OpenScratch();
        error = backup < 0 ? -backup : CopyContent(fd, backup, changedEnd);
    }
    if (error == 0 && finalSize > oldSize) {
        error = ::posix_fallocate(fd, 0, finalSize);
    }
    bool changed = false;
    if (error == 0) {
        changed = true;
        error = WriteAllAt(fd, bytes, 0);
        if (error == 0 && ::ftruncate(fd, finalSize) != 0) {
            error = errno;
        }
        if (error == 0 && ::fsync(fd) != 0) {
            error = errno;
        }
    }
    if (error != 0) {
        if (changed) {
            // Holes of the old file that the new bytes filled become holes again, then the data returns.
            (void)ForEachStretch(backup, changedEnd, [&](off_t begin, off_t end, bool isData) {
                if (isData) {
                    return CopyRange(backup, fd, begin, end);
                }
                if (begin < newSize) {
                    (void)::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, begin,
                                      std::min(end, newSize) - begin);
                }
                return 0;
            });
        }
        (void)::ftruncate(fd, oldSize);
        ::fsync(fd);
    }
    if (backup >= 0) {
        ::close(backup);
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

// Gives a temporary file the name `name`. An unnamed file (O_TMPFILE) is linked through /proc, which needs
// no privilege.
int NameTemporary(int fd, const std::string& name) {
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, procPath, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return 0;
    }
    const int error = errno;
    if (error == ENOENT && ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
        return 0;
    }
    return error;
}

// Refusals of a rename that do not stop the user from writing the file itself: another user's file in a
// sticky folder (EPERM, or EACCES on some network file systems), a mount point (EBUSY, EXDEV).
bool RenameRefusedButWritable(int error) {
    return error == EPERM || error == EACCES || error == EBUSY || error == EXDEV;
}

// The new content, written by `fill` into a fresh file, replaces `target` by a rename; where the folder or
// the target refuses that, `inPlace` rewrites the existing file instead.
int ReplaceFile(const std::string& target, const std::function<int(int fd)>& fill,
                const std::function<int()>& inPlace) {
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (!S_ISREG(old.st_mode)) {
            return RefusalFor(old.st_mode);
        }
        // A file the user made read-only stays as it is, whoever runs the program.
        if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            return EACCES;
        }
        if (::access(target.c_str(), W_OK) != 0) {
            return errno;
        }
    }

    // The new content is written to an unnamed file, so a crash while writing leaves nothing behind; it
    // gets a name only for the moment before the rename. File systems without O_TMPFILE get a named one.
    const std::string folder = FolderOf(target);
    std::string name = TemporaryName(target);
    bool named = false;
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        named = fd >= 0;
    }
    if (fd < 0) {
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM)) {
            return inPlace();
        }
        return error;
    }

    int error = 0;
    if (exists) {
        // Owner first: changing it clears the set-user-ID bits that the mode then restores.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            (void)::fchown(fd, old.st_uid, old.st_gid);
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            error = errno;
        }
    }
    if (error == 0) {
        error = fill(fd);
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    for (int attempt = 0; error == 0 && !named && attempt < 100; ++attempt) {
        error = NameTemporary(fd, name);
        named = error == 0;
        if (error == EEXIST) {
            name = TemporaryName(target);
            error = 0;
        }
    }
    if (error == 0 && !named) {
        error = EEXIST;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    bool renameRefused = false;
    if (error == 0 && ::rename(name.c_str(), target.c_str()) != 0) {
        error = errno;
        renameRefused = exists && RenameRefusedButWritable(error);
    }
    if (error != 0) {
        if (named) {
            ::unlink(name.c_str());
        }
        return renameRefused ? inPlace() : error;
    }
    // Make the rename itself durable; a failure here cannot lose the old or the new content.
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return 0;
}

} // namespace

int OpenRegularFile(const std::string& path, int flags) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return -errno;
    }
    if (!S_ISREG(info.st_mode)) {
        return -RefusalFor(info.st_mode);
    }
    // Non-blocking, so a pipe put in the file's place after the check still cannot hold the open.
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -errno;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISREG(info.st_mode) ? errno : RefusalFor(info.st_mode);
        ::close(fd);
        return -error;
    }
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int WriteFileSafely(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::string target;
    if (int error = ResolveLinks(path, target); error != 0) {
        return error;
    }
    return ReplaceFile(
        target, [&](int fd) { return WriteAllAt(fd, bytes, 0); },
        [&] { return RewriteInPlace(target, bytes, true); });
}

int OverwriteFileStart(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::string target;
    if (int error = ResolveLinks(path, target); error != 0) {
        return error;
    }
    const int old = OpenRegularFile(target, O_RDONLY);
    if (old < 0) {
        return -old;
    }
    struct stat info {};
    const int statError = ::fstat(old, &info) != 0 ? errno : 0;
    const int error = statError != 0
                          ? statError
                          : ReplaceFile(
                                target,
                                [&](int fd) {
                                    const off_t size =
                                        std::max<off_t>(info.st_size, static_cast<off_t>(bytes.size()));
                                    int e = ::ftruncate(fd, size) != 0 ? errno : 0;
                                    if (e == 0) {
                                        e = CopyContent(old, fd, info.st_size);
                                    }
                                    return e != 0 ? e : WriteAllAt(fd, bytes, 0);
                                },
                                [&] { return RewriteInPlace(target, bytes, false); });
    ::close(old);
    return error;
}

} // namespace tarnix
