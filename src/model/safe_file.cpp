#include "model/safe_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnix {

namespace {

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

int ReadAll(int fd, std::vector<std::uint8_t>& out) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return errno;
    }
    out.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return 0;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links finally names; it need not exist yet (a dangling link is saved
// through, creating its target).
int ResolveLinks(const std::string& path, std::string& target) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
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

std::string TemporaryName(const std::string& target) {
    static unsigned counter = 0;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%d-%u-%lx", static_cast<int>(::getpid()), ++counter,
                  static_cast<unsigned long>(now.tv_nsec));
    return target + suffix;
}

// A folder that takes no new entry leaves no room for a temporary file, yet the user may write the file
// itself, so it is rewritten in place rather than refused. The old content is held in memory and written
// back if any step fails, and the room for a longer file is reserved before the first byte changes, so a
// full disk refuses the save with the file untouched. Only a crash during this write can damage the file.
int RewriteInPlace(const std::string& path, std::span<const std::uint8_t> bytes) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    std::vector<std::uint8_t> old;
    int error = ReadAll(fd, old);
    if (error == 0 && bytes.size() > old.size()) {
        error = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
    }
    if (error == 0) {
        error = WriteAllAt(fd, bytes, 0);
        if (error == 0 && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
            error = errno;
        }
        if (error == 0 && ::fsync(fd) != 0) {
            error = errno;
        }
        if (error != 0) {
            WriteAllAt(fd, old, 0);
        }
    }
    if (error != 0) {
        (void)::ftruncate(fd, static_cast<off_t>(old.size()));
        ::fsync(fd);
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

// Devices and pipes (/dev/null, a FIFO) are written as they are; renaming over them would replace them.
int WriteSpecialFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size() && error == 0) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR) {
            error = errno;
        } else if (n > 0) {
            done += static_cast<std::size_t>(n);
        }
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

} // namespace

int WriteFileSafely(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::string target;
    if (int error = ResolveLinks(path, target); error != 0) {
        return error;
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (S_ISDIR(old.st_mode)) {
            return EISDIR;
        }
        if (!S_ISREG(old.st_mode)) {
            return WriteSpecialFile(target, bytes);
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
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        named = fd >= 0;
    }
    if (fd < 0) {
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM)) {
            return RewriteInPlace(target, bytes);
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
        error = WriteAllAt(fd, bytes, 0);
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
    if (error == 0 && ::rename(name.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        if (named) {
            ::unlink(name.c_str());
        }
        return error;
    }
    // Make the rename itself durable; a failure here cannot lose the old or the new content.
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return 0;
}

int OverwriteFileStart(const std::string& path, std::span<const std::uint8_t> bytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    std::vector<std::uint8_t> content;
    const int error = ReadAll(fd, content);
    ::close(fd);
    if (error != 0) {
        return error;
    }
    std::copy(bytes.begin(),
              bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), content.size())),
              content.begin());
    if (bytes.size() > content.size()) {
        content.insert(content.end(), bytes.begin() + static_cast<std::ptrdiff_t>(content.size()),
                       bytes.end());
    }
    return WriteFileSafely(path, content);
}

} // namespace tarnix
