// Saving into the failures that real disks produce. A save either replaces the file completely or leaves the
// previous one exactly as it was and says why in the program's words; what is not a file is refused at once.
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

#include "analysis/pass_fail.h"
#include "document/tarnix_doc.h"
#include "files/bmp_writer.h"
#include "files/csv_file.h"
#include "files/ref_file.h"
#include "files/setup_file.h"
#include "files/text_export.h"
#include "language/language_table.h"
#include "recorder/rec_file.h"

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
    bool tellsWhy = true; // false: the program's own file, refused without a message
};

const InstrumentSettings kSettings;
const std::vector<std::uint16_t> kRecord(65536, 2100);
const std::vector<std::int16_t> kTrace(5000, 100);

// Every file the program writes; a demo-mode setup rewrites only its header in place.
const Writer kWriters[] = {
    {"a.set", [](const std::string& p) { return SaveSetupFile(p, SetupImage{}, false); }},
    {"demo.set",
     [](const std::string& p) {
         SetupImage header;
         header.languageIndex = 5;
         return SaveSetupFile(p, header, true);
     }},
    {"a.csv", [](const std::string& p) -> FileResult { return SaveCsvFile(p, kSettings, 0, kRecord); }},
    {"a.rfc", [](const std::string& p) { return SaveRefFile(p, kSettings, 0, kRecord, 1); }},
    {"a.txt", [](const std::string& p) { return ExportWaveformText(p, kSettings, kTrace, kTrace); }},
    {"fft.txt", [](const std::string& p) { return CTarnixDoc().ExportSpectrum(p); }},
    {"a.bmp",
     [](const std::string& p) {
         return SaveBmp(p, PixelBuffer{4, 2, std::vector<std::uint32_t>(8, 7)}, 32);
     }},
    {"a.rec",
     [](const std::string& p) {
         RecorderSettings rec;
         rec.recordedCount = 2;
         return SaveRecFile(p, rec, CFrameStore());
     }},
    {"a.psf",
     [](const std::string& p) {
         const PsfResult r = CPassFail().SavePsf(p);
         return FileResult{r.status != PsfResult::Status::kFailed, r.message};
     }},
    {"default.lug",
     [](const std::string& p) {
         return FileResult{CLanguageTable().WriteDefaultLanguage(fs::path(p).parent_path()), {}};
     },
     false},
};

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::ranges::sort(names);
    return names;
}

// A name of the longest length the file system takes, ending in the writer's own name (default.lug's
// name is the program's).
fs::path FileOf(const fs::path& folder, const Writer& w, bool longName) {
    const std::string name = w.file;
    return folder /
           (longName && name != "default.lug" ? std::string(NAME_MAX - name.size(), 'n') + name : name);
}

struct Scenario {
    const char* name;
    int error;     // every save fails with this errno; 0: every save succeeds
    bool tmpfs;    // the folder is a small tmpfs in a private mount namespace
    bool asNobody; // the saves run as the unprivileged user
    void (*prepare)(const fs::path& folder, const fs::path& file);
    bool (*check)(const fs::path& file); // further checks after a successful save
    bool killed = false;                 // the saving process is killed inside the first save
    bool longNames = false;              // every file name is as long as the file system allows
};

bool OwnedByRoot(const fs::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 && info.st_uid == 0;
}

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
    // Another user's file that anyone may write, in a folder like /tmp: only its owner may replace it.
    {"OthersWritableFileInStickyFolder", 0, false, true,
     [](const fs::path& folder, const fs::path& f) {
         ::chmod(f.c_str(), 0666);
         ::chmod(folder.c_str(), 01777);
     },
     OwnedByRoot},
    {"BindMountedFile", 0, true, false,
     [](const fs::path& folder, const fs::path& f) {
         const fs::path source = folder / ("source-" + std::to_string(std::hash<std::string>{}(f.string())));
         WriteAll(source.string(), kPrevious);
         ::mount(source.c_str(), f.c_str(), nullptr, MS_BIND, nullptr);
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
    {"LongestFileNames", 0, false, false, [](const fs::path&, const fs::path&) {}, nullptr, false, true},
};

// Runs the saves of every writer in a child process, which may change its mounts and its user; the returned
// report is empty when every expectation held, or starts with "skip:" and the reason.
std::string RunScenario(const Scenario& s, const fs::path& folder, const std::vector<std::string>& expected) {
    if (s.tmpfs) {
        if (std::string skip = MountPrivateTmpfs(folder, "16m"); !skip.empty()) {
            return skip;
        }
    }
    ::chmod(folder.c_str(), 0755); // the unprivileged user must reach the files
    for (const Writer& w : kWriters) {
        WriteAll(FileOf(folder, w, s.longNames).string(), kPrevious);
    }
    for (const Writer& w : kWriters) {
        s.prepare(folder, FileOf(folder, w, s.longNames));
    }
    const std::vector<std::string> before = Listing(folder);
    if (s.asNobody && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                       ::setresuid(kNobody, kNobody, kNobody) != 0)) {
        return std::string("skip: cannot become the unprivileged user: ") + std::strerror(errno);
    }
    std::string report;
    for (std::size_t i = 0; i < std::size(kWriters); ++i) {
        const fs::path file = FileOf(folder, kWriters[i], s.longNames);
        const FileResult saved = kWriters[i].save(file.string());
        const std::string refusal =
            kWriters[i].tellsWhy ? "Cann't save file: " + std::string(std::strerror(s.error)) : "";
        const bool kept = s.error != 0 && !saved.ok && saved.message == refusal && ReadAll(file) == kPrevious;
        const bool replaced =
            s.error == 0 && saved.ok && ReadAll(file) == expected[i] && (s.check == nullptr || s.check(file));
        if (!kept && !replaced) {
            report += std::string(kWriters[i].file) + " was not saved or not kept as it was: \"" +
                      saved.message + "\"\n";
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
        EXPECT_EQ(Listing(dir.Path()).size(), std::size(kWriters)) << "a temporary is left";
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

// Rewritten in place (its folder takes no new entries), a file whose holes the new content fills runs out of
// room part way on a full disk: the save is refused and the bytes already written go back.
TEST(FullDisk, ARewriteIntoTheHolesOfAFileIsUndone) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root for mounts in a private namespace and for switching users";
    }
    TempDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!MountPrivateTmpfs(dir.Path(), "1m").empty()) {
            ::_exit(2);
        }
        const std::string path = dir.File("a.csv");
        WriteAll(path, kPrevious);
        ::truncate(path.c_str(), 512 << 10); // a page of data, then a hole longer than the new content
        const std::string before = ReadAll(path);
        const int filler = ::open(dir.File("filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        while (::write(filler, kPrevious.data(), kPrevious.size()) > 0) {
        }
        (void)!::chown(path.c_str(), kNobody, kNobody);
        ::chmod(dir.Path().c_str(), 0555);
        (void)!::setresuid(kNobody, kNobody, kNobody);
        const FileResult saved = SaveCsvFile(path, kSettings, 0, kRecord);
        const bool kept = saved.message == "Cann't save file: " + std::string(std::strerror(ENOSPC));
        ::_exit(kept && ReadAll(path) == before ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2) {
        GTEST_SKIP() << "no private tmpfs mount here";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A pipe, a device or a folder in a file's place is refused at once, by every writer and every loader; a
// pipe nobody writes to would otherwise hold the window until someone opened its other end.
TEST(NotAFile, EveryWriterAndLoaderRefusesItAtOnce) {
    TempDir dir;
    InstrumentSettings settings;
    std::vector<std::uint16_t> ref(65536);
    RecorderSettings rec;
    CFrameStore store;
    CPassFail passFail;
    using Load = std::function<FileResult(const std::string&)>;
    const std::pair<const char*, Load> loaders[] = {
        {"a.set", [](const std::string& p) -> FileResult { return LoadSetupFile(p, {}, {}, false); }},
        {"demo.set", [](const std::string& p) -> FileResult { return LoadSetupFile(p, {}, {}, true); }},
        {"a.csv", [&](const std::string& p) -> FileResult { return LoadCsvFile(p, settings); }},
        {"a.rfc", [&](const std::string& p) -> FileResult { return LoadRfcFile(p, settings, ref); }},
        {"a.ref", [&](const std::string& p) -> FileResult { return LoadOldRefFile(p, settings, ref); }},
        {"a.rec", [&](const std::string& p) { return LoadRecFile(p, rec, store, 1); }},
        {"a.psf",
         [&](const std::string& p) {
             const PsfResult r = passFail.LoadPsf(p);
             return FileResult{r.status != PsfResult::Status::kFailed, r.message};
         }},
    };
    std::vector<std::pair<const char*, Load>> uses(std::begin(loaders), std::end(loaders));
    for (const Writer& w : kWriters) {
        uses.emplace_back(w.file, w.save);
    }
    // A hang fails the test by its alarm rather than by the test runner's time limit.
    ::alarm(60);
    for (std::size_t i = 0; i < uses.size(); ++i) {
        const auto& [file, use] = uses[i];
        const struct {
            const char* kind;
            int error;
            bool (*make)(const fs::path&);
        } kinds[] = {
            {"pipe", EINVAL, [](const fs::path& f) { return ::mkfifo(f.c_str(), 0666) == 0; }},
            {"device", EINVAL, [](const fs::path& f) { return ::symlink("/dev/zero", f.c_str()) == 0; }},
            {"folder", EISDIR, [](const fs::path& f) { return fs::create_directory(f); }},
        };
        for (const auto& kind : kinds) {
            const fs::path path = dir.Path() / kind.kind / std::to_string(i) / file;
            fs::create_directories(path.parent_path());
            ASSERT_TRUE(kind.make(path)) << path;
            const fs::file_type before = fs::status(path).type();
            const FileResult result = use(path.string());
            EXPECT_FALSE(result.ok) << kind.kind << " " << file;
            const bool silent = std::string_view(file) == "default.lug";
            EXPECT_TRUE(silent || result.message.ends_with(std::strerror(kind.error)))
                << kind.kind << " " << file << ": " << result.message;
            EXPECT_EQ(fs::status(path).type(), before) << kind.kind << " " << file;
        }
    }
    ::alarm(0);
}

// A save follows a chain of links as far as the system does when the file is opened again, and no further.
TEST(LinkChain, ASaveFollowsAsManyLinksAsTheSystem) {
    TempDir dir;
    for (int link = 1; link <= 41; ++link) { // link1 -> a.txt, linkN -> link(N-1)
        fs::create_symlink(link == 1 ? "a.txt" : "link" + std::to_string(link - 1),
                           dir.File("link" + std::to_string(link)));
    }
    EXPECT_TRUE(ExportWaveformText(dir.File("link40"), kSettings, kTrace, kTrace).ok &&
                fs::exists(dir.File("a.txt")));
    EXPECT_EQ(ExportWaveformText(dir.File("link41"), kSettings, kTrace, kTrace).message,
              std::string("Cann't save file: ") + std::strerror(ELOOP));
}

// Saving a setup over a very large file (here 1 GiB, sparse) works within a memory budget far below the
// file's size, also where it is rewritten in place; the bytes past a demo-mode header stay as they were.
// Opened as a recording first, it is read only as far as the recorder's store reaches.
TEST(LargeFile, ASetupSavedOverItNeverReadsItIntoMemory) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root for switching users";
    }
    constexpr off_t kSize = off_t{1} << 30;
    for (const bool readOnlyFolder : {false, true}) {
        for (const bool demo : {true, false}) {
            TempDir dir;
            const std::string path = dir.File("big.set");
            WriteAll(path, "old header");
            ASSERT_EQ(::truncate(path.c_str(), kSize), 0);
            const int tail = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
            ASSERT_EQ(::pwrite(tail, "end", 3, kSize - 3), 3);
            ::close(tail);
            fs::create_symlink("big.set", dir.File("big.rec"));
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                if (readOnlyFolder) {
                    (void)!::chown(path.c_str(), kNobody, kNobody);
                    ::chmod(dir.Path().c_str(), 0555);
                    (void)!::setresuid(kNobody, kNobody, kNobody);
                }
                // The budget: what the process maps now plus 256 MiB.
                std::string status = ReadAll("/proc/self/status");
                const long dataKiB = std::atol(status.c_str() + status.find("VmData:") + 7);
                const rlimit budget{rlim_t(dataKiB) * 1024 + (256u << 20), RLIM_INFINITY};
                ::setrlimit(RLIMIT_DATA, &budget);
                RecorderSettings rec;
                CFrameStore store;
                const bool loaded = LoadRecFile(dir.File("big.rec"), rec, store, 1).ok;
                ::_exit(loaded && SaveSetupFile(path, SetupImage{}, demo).ok ? 0 : 1);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << demo << readOnlyFolder;
            const auto bytesAt = [&](off_t offset, std::size_t count) {
                std::string bytes(count, ' ');
                const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
                bytes.resize(
                    static_cast<std::size_t>(std::max<ssize_t>(0, ::pread(fd, bytes.data(), count, offset))));
                ::close(fd);
                return bytes;
            };
            EXPECT_NE(bytesAt(0, 10), "old header") << demo << readOnlyFolder;
            EXPECT_EQ(bytesAt(kSize - 3, 3), demo ? "end" : "") << demo << readOnlyFolder;
        }
    }
}

} // namespace
} // namespace tarnix
