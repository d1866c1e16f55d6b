// Saving into the failures that real disks produce. A save either replaces the file completely or leaves the
// previous one exactly as it was and says why in the program's words.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/setup_file.h"

#include "../support/setup_image.h"
#include "../support/temp_dir.h"

namespace tarnix {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

constexpr uid_t kNobody = 65534;
const std::string kPrevious = "previous content, longer than the header of a setup file\n";

struct Writer {
    const char* file;
    std::function<FileResult(const std::string&)> save;
};

// Every file writer hands its bytes to the same safe write; a demo-mode setup rewrites its header in place.
const std::vector<Writer>& Writers() {
    static const std::vector<Writer> writers = {
        {"a.set", [](const std::string& p) { return SaveSetupFile(p, SetupImage{}, false); }},
        {"demo.set",
         [](const std::string& p) {
             SetupImage header;
             header.languageIndex = 5;
             return SaveSetupFile(p, header, true);
         }},
    };
    return writers;
}

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void FillDisk(const fs::path& folder) {
    const int fd = ::open((folder / "filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const std::vector<char> block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
}

struct Scenario {
    const char* name;
    int error;     // every save fails with this errno; 0: every save succeeds
    bool tmpfs;    // the folder is a tiny tmpfs in a private mount namespace
    bool asNobody; // the saves run as the unprivileged user
    void (*prepare)(const fs::path& folder, const std::vector<fs::path>& files);
    std::string (*check)(const fs::path& file); // further checks after a successful save; "" when fine
};

void PrintTo(const Scenario& s, std::ostream* out) {
    *out << s.name;
}

void ChownAll(const fs::path& folder, const std::vector<fs::path>& files) {
    (void)::chown(folder.c_str(), kNobody, kNobody);
    for (const fs::path& f : files) {
        (void)::chown(f.c_str(), kNobody, kNobody);
    }
}

const Scenario kScenarios[] = {
    {"NoSpaceLeft", ENOSPC, true, false, [](const fs::path& folder, const auto&) { FillDisk(folder); },
     nullptr},
    {"PermissionDenied", EACCES, false, true, [](const fs::path&, const auto&) {}, nullptr},
    {"ReadOnlyTargetFile", EACCES, false, false,
     [](const fs::path&, const auto& files) {
         for (const fs::path& f : files) {
             fs::permissions(f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         }
     },
     nullptr},
    {"SymbolicLinkTarget", 0, false, false,
     [](const fs::path&, const auto& files) {
         for (const fs::path& f : files) {
             fs::rename(f, f.string() + ".target");
             fs::create_symlink(f.filename().string() + ".target", f);
         }
     },
     [](const fs::path& file) {
         return fs::is_symlink(file) ? std::string() : file.string() + " is no longer a link\n";
     }},
    {"PermissionsAndOwnerKept", 0, false, false,
     [](const fs::path&, const auto& files) {
         for (const fs::path& f : files) {
             ::chmod(f.c_str(), 0640);
             (void)::chown(f.c_str(), kNobody, kNobody);
         }
     },
     [](const fs::path& file) {
         struct stat info {};
         ::stat(file.c_str(), &info);
         const bool ownerKept = ::geteuid() != 0 || (info.st_uid == kNobody && info.st_gid == kNobody);
         return (info.st_mode & 07777) == 0640 && ownerKept ? std::string()
                                                            : file.string() + " lost its mode or owner\n";
     }},
    {"WritableFileInReadOnlyFolder", 0, false, true,
     [](const fs::path& folder, const auto& files) {
         ChownAll(folder, files);
         ::chmod(folder.c_str(), 0555);
     },
     nullptr},
};

// Runs the saves of every writer in a child process, which may change its mounts and its user; the returned
// report is empty when every expectation held, or starts with "skip:" and the reason.
std::string RunScenario(const Scenario& s, const fs::path& folder, const std::vector<std::string>& expected) {
    std::string report;
    if (s.tmpfs) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=128k,mode=0755") != 0) {
            return std::string("skip: no private tmpfs mount here: ") + std::strerror(errno);
        }
    }
    ::chmod(folder.c_str(), 0755); // the unprivileged user must reach the files
    std::vector<fs::path> files;
    for (const Writer& w : Writers()) {
        files.push_back(folder / w.file);
        WriteAll(files.back().string(), kPrevious);
    }
    s.prepare(folder, files);
    const std::vector<std::string> before = Listing(folder);
    if (s.asNobody && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                       ::setresuid(kNobody, kNobody, kNobody) != 0)) {
        return std::string("skip: cannot become the unprivileged user: ") + std::strerror(errno);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const Writer& w = Writers()[i];
        const FileResult saved = w.save(files[i].string());
        const std::string content = ReadAll(files[i]);
        if (s.error != 0) {
            const std::string message = "Cann't save file: " + std::string(std::strerror(s.error));
            if (saved.ok || saved.message != message) {
                report += std::string(w.file) + ": got \"" + saved.message + "\", want \"" + message + "\"\n";
            }
            if (content != kPrevious) {
                report += std::string(w.file) + ": the previous file was changed\n";
            }
        } else {
            if (!saved.ok || content != expected[i]) {
                report += std::string(w.file) + ": not saved (" + saved.message + ")\n";
            }
            if (s.check != nullptr) {
                report += s.check(files[i]);
            }
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
    {
        TempDir plain;
        for (const Writer& w : Writers()) {
            WriteAll(plain.File(w.file), kPrevious);
            ASSERT_TRUE(w.save(plain.File(w.file)).ok) << w.file;
            expected.push_back(ReadAll(plain.File(w.file)));
        }
    }
    TempDir dir;
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(out[0]);
        const std::string report = RunScenario(s, dir.Path(), expected);
        (void)!::write(out[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the saving process died";
    if (report.starts_with("skip:")) {
        GTEST_SKIP() << report;
    }
    EXPECT_EQ(report, "");
}

INSTANTIATE_TEST_SUITE_P(Disks, SafeSave, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SafeSaveKilled, AKillInTheMiddleOfAFullSetupKeepsThePreviousFileAndLeavesNoTemporary) {
    TempDir dir;
    const std::string path = dir.File("Default.set");
    SetupImage previous;
    previous.ch1.voltsPerDivIndex = 2;
    ASSERT_TRUE(SaveSetupFile(path, previous, false).ok);
    const std::string before = ReadAll(path);
    const SetupImage full = testing::UnusualSetupImage(); // with a REF and a whole recording: 10 MB

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A kill at a random moment may come before or after the write; crossing a file-size limit a megabyte
        // into the new content raises SIGXFSZ right inside it, and its handler is the kill -9.
        std::signal(SIGXFSZ, [](int) { ::kill(::getpid(), SIGKILL); });
        struct rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 1 << 20;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        SaveSetupFile(path, full, false);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"Default.set"});
    ASSERT_TRUE(SaveSetupFile(path, full, false).ok);
    const std::vector<std::uint8_t> written = SerializeSetup(full);
    EXPECT_EQ(ReadAll(path), std::string(written.begin(), written.end()));
}

} // namespace
} // namespace tarnix
