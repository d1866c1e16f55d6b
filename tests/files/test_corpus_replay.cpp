// Every loader of a user-supplied file runs over its regression corpus (the fuzzers' seeds and every
// input that once failed) through the fuzz target's own body, which aborts when a loader leaves a
// setting out of range, or when a refused .rec, .psf, .rfc or .ref file changed what it was given;
// AddressSanitizer and UndefinedBehaviorSanitizer catch the rest.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <unistd.h>

#include "../support/setup_image.h"
#include "../support/temp_dir.h"
#include "seed_files.h"

#define TARNIX_REPLAY(name) extern "C" int Replay_##name(const std::uint8_t* data, std::size_t size);
TARNIX_REPLAY(fuzz_setup)
TARNIX_REPLAY(fuzz_csv)
TARNIX_REPLAY(fuzz_rfc)
TARNIX_REPLAY(fuzz_ref)
TARNIX_REPLAY(fuzz_rec)
TARNIX_REPLAY(fuzz_psf)
TARNIX_REPLAY(fuzz_lug)

namespace tarnix {
namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;
    const char* corpus; // below fuzz/
    int (*body)(const std::uint8_t*, std::size_t);
};

void PrintTo(const Target& t, std::ostream* out) {
    *out << t.name;
}

const Target kTargets[] = {
    {"setup", "files/corpus/setup", Replay_fuzz_setup}, {"csv", "files/corpus/csv", Replay_fuzz_csv},
    {"rfc", "files/corpus/rfc", Replay_fuzz_rfc},       {"ref", "files/corpus/ref", Replay_fuzz_ref},
    {"rec", "files/corpus/rec", Replay_fuzz_rec},       {"psf", "analysis/corpus/psf", Replay_fuzz_psf},
    {"lug", "language/corpus/lug", Replay_fuzz_lug},
};

class CorpusReplay : public ::testing::TestWithParam<Target> {
protected:
    // The bodies write each input to a folder of their own in /dev/shm or /tmp, made once per process:
    // removing it between targets would leave the next target without it.
    static void TearDownTestSuite() {
        std::error_code ignored;
        for (const char* base : {"/dev/shm", "/tmp"}) {
            for (const char* stem : {"tarnix-fuzz-", "tarnix-fuzz-lug-"}) {
                fs::remove_all(fs::path(base) / (stem + std::to_string(::getpid())), ignored);
            }
        }
    }
};

TEST_P(CorpusReplay, EveryInputIsAcceptedOrRefusedWithSettingsInRange) {
    const Target& t = GetParam();
    // The seeds are written afresh rather than kept: a setup with a whole recording is 10 MB.
    testing::TempDir seeds;
    fuzz::WriteSeedFiles(seeds.Path());
    const std::vector<std::uint8_t> full = SerializeSetup(testing::UnusualSetupImage());
    seeds.Write("setup/full_recording.set", std::string(full.begin(), full.end()));

    std::size_t replayed = 0;
    for (const fs::path& folder : {fs::path(TARNIX_FUZZ_DIR) / t.corpus, seeds.Path() / t.name}) {
        if (!fs::is_directory(folder)) {
            continue;
        }
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string bytes = testing::ReadAll(entry.path());
            // The body aborts when a loader breaks its promises: that abort is the check (the body's return
            // value is always 0), and the name printed before it tells which input did it.
            std::fprintf(stderr, "replaying %s\n", entry.path().c_str());
            t.body(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0u) << "no corpus for " << t.name;
}

INSTANTIATE_TEST_SUITE_P(Loaders, CorpusReplay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tarnix
