// A small disk to fill: a tmpfs mounted over a folder in a private mount namespace of the calling
// process (a forked child, so the machine's mounts stay as they were). Needs root.
#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sched.h>
#include <string>
#include <sys/mount.h>

namespace tarnix::testing {

// Mounts a tmpfs of `size` ("128k") over `folder`. Returns "" when mounted, else "skip: " and why.
inline std::string MountPrivateTmpfs(const std::filesystem::path& folder, const char* size) {
    const std::string options = std::string("size=") + size + ",mode=0755";
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        return std::string("skip: no private tmpfs mount here: ") + std::strerror(errno);
    }
    return {};
}

} // namespace tarnix::testing
