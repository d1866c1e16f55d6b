// Saving into the failures that real disks produce. A save either replaces the file completely or leaves the
// previous one exactly as it was and says why in the program's words.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/setup_file.h"

#include "../support/private_tmpfs.h"
#include "../support/temp_dir.h"

namespace tarnix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

constexpr uid_t kNobody = 65534;
const std::string kPrevious = "previous content, longer than the header of a setup file\n";

struct Writer {
    const char* file;
    FileResult (*save)(const std::string&);
};

// Every file writer hands its bytes to the same safe write; a demo-mode setup rewrites its header in place.
const Writer kWriters[] = {
    {"a.set", [](const std::string& p) { return SaveSetupFile(p, SetupImage{}, false); }},
    {"demo.set",
     [](const std::string& p) {
         SetupImage header;
         header.languageIndex = 5;
         return SaveSetupFile(p, header, true);
     }},
};

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::ranges::sort(names);
    return names;
}

struct Scenario {
    const char* name;
    int error;     // every save fails with this errno; 0: every save succeeds
    bool tmpfs;    // the folder is a tiny tmpfs in a private mount namespace
    bool asNobody; // the saves run as the unprivileged user
    void (*prepare)(const fs::path& folder, const fs::path& file);
    bool (*check)(const fs::path& file); // further checks after a successful save
    bool killed = false;                 // the saving process is killed inside the first save
};

const Scenario kScenarios[] = {
    {"NoSpaceLeft", ENOSPC, true, false,
     [](const fs::path& folder, const fs::path&) {
         const int fd = ::open((folder / "filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
         const std::vector<char> block(4096, 'x');
         while (::write(fd, block.data(), block.size()) > 0) {
         }
         while (::write(fd, block.data(), 1) > 0) {
         }
         ::close(fd);
     },
     nullptr},
    {"PermissionDenied", EACCES, false, true, [](const fs::path&, const fs::path&) {}, nullptr},
    {"ReadOnlyTargetFile", EACCES, false, false,
     [](const fs::path&, const fs::path& f) { ::chmod(f.c_str(), 0444); }, nullptr},
    {"SymbolicLinkTarget", 0, false, false,
     [](const fs::path&, const fs::path& f) {
         fs::rename(f, f.string() + ".target");
         fs::create_symlink(f.filename().string() + ".target", f);
     },
     [](const fs::path& file) { return fs::is_symlink(file); }},
    {"PermissionsAndOwnerKept", 0, false, false,
     [](const fs::path&, const fs::path& f) {
         ::chmod(f.c_str(), 0640);
         (void)::chown(f.c_str(), kNobody, kNobody);
     },
     [](const fs::path& file) {
         struct stat info {};
         ::stat(file.c_str(), &info);
         const bool ownerKept = ::geteuid() != 0 || (info.st_uid == kNobody && info.st_gid == kNobody);
         return (info.st_mode & 07777) == 0640 && ownerKept;
     }},
    {"WritableFileInReadOnlyFolder", 0, false, true,
     [](const fs::path& folder, const fs::path& f) {
         (void)::chown(f.c_str(), kNobody, kNobody);
         (void)::chown(folder.c_str(), kNobody, kNobody);
         ::chmod(folder.c_str(), 0555);
     },
     nullptr},
    // A kill at a random moment may come before or after the write; crossing a file-size limit inside the new
    // content raises SIGXFSZ right there, and its handler is the kill -9.
    {"KilledInTheMiddle", 0, false, false,
     [](const fs::path&, const fs::path&) {
         std::signal(SIGXFSZ, [](int) { ::kill(::getpid(), SIGKILL); });
         struct rlimit limit {};
         ::getrlimit(RLIMIT_FSIZE, &limit);
         limit.rlim_cur = 4096;
         ::setrlimit(RLIMIT_FSIZE, &limit);
     },
     nullptr, true},
};

// Runs the saves of every writer in a child process, which may change its mounts and its user; the returned
// report is empty when every expectation held, or starts with "skip:" and the reason.
std::string RunScenario(const Scenario& s, const fs::path& folder, const std::vector<std::string>& expected) {
    if (s.tmpfs) {
        if (std::string skip = MountPrivateTmpfs(folder, "128k"); !skip.empty()) {
            return skip;
        }
    }
    ::chmod(folder.c_str(), 0755); // the unprivileged user must reach the files
    for (const Writer& w : kWriters) {
        WriteAll((folder / w.file).string(), kPrevious);
    }
    for (const Writer& w : kWriters) {
        s.prepare(folder, folder / w.file);
    }
    const std::vector<std::string> before = Listing(folder);
    if (s.asNobody && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                       ::setresuid(kNobody, kNobody, kNobody) != 0)) {
        return std::string("skip: cannot become the unprivileged user: ") + std::strerror(errno);
    }
    std::string report;
    for (std::size_t i = 0; i < std::size(kWriters); ++i) {
        const fs::path file = folder / kWriters[i].file;
        const FileResult saved = kWriters[i].save(file.string());
        const std::string refusal = "Cann't save file: " + std::string(std::strerror(s.error));
        const bool kept = s.error != 0 && !saved.ok && saved.message == refusal && ReadAll(file) == kPrevious;
        const bool replaced =
            s.error == 0 && saved.ok && ReadAll(file) == expected[i] && (s.check == nullptr || s.check(file));
        if (!kept && !replaced) {
            report += file.string() + " was not saved or not kept as it was: \"" + saved.message + "\"\n";
        }
    }
    if (Listing(folder) != before) {
        report += "files were added to or removed from the folder\n";
    }
    return report;
}

class SafeSave : public ::testing::TestWithParam<Scenario> {};

TEST_P(SafeSave, EveryWriterSavesCompletelyOrKeepsThePreviousFile) {
    const Scenario& s = GetParam();
    if ((s.tmpfs || s.asNobody) && ::geteuid() != 0) {
        GTEST_SKIP() << "needs root for mounts in a private namespace and for switching users";
    }
    // What each writer produces over the previous file where nothing gets in its way.
    std::vector<std::string> expected;
    TempDir plain;
    for (const Writer& w : kWriters) {
        WriteAll(plain.File(w.file), kPrevious);
        ASSERT_TRUE(w.save(plain.File(w.file)).ok) << w.file;
        expected.push_back(ReadAll(plain.File(w.file)));
    }
    TempDir dir;
    // Opened before the fork: the child may lose the right to create files anywhere.
    const int out = ::open(plain.File("report").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(out, 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string report = RunScenario(s, dir.Path(), expected);
        (void)!::write(out, report.data(), report.size());
        ::_exit(0);
    }
    ::close(out);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (s.killed) {
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        EXPECT_EQ(ReadAll(dir.File(kWriters[0].file)), kPrevious);
        EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"a.set", "demo.set"}))
            << "a temporary is left";
        return;
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the saving process died";
    const std::string report = ReadAll(plain.File("report"));
    if (report.starts_with("skip:")) {
        GTEST_SKIP() << report;
    }
    EXPECT_EQ(report, "");
}

INSTANTIATE_TEST_SUITE_P(Disks, SafeSave, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tarnix
