// Writes a small starting corpus of valid files for the loader fuzz targets:
//   fuzz_files_seeds OUTPUT_FOLDER   ->  OUTPUT_FOLDER/{setup,csv,rfc,ref,rec}/...
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "files/csv_file.h"
#include "files/file_io.h"
#include "files/ref_file.h"
#include "files/setup_file.h"
#include "recorder/recorder.h"

using namespace tarnix;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path out = argv[1];
    for (const char* sub : {"setup", "csv", "rfc", "ref", "rec"}) {
        std::filesystem::create_directories(out / sub);
    }
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);

    SetupImage image;
    CaptureSettings(settings, image);
    WriteFileBytes((out / "setup" / "default.set").string(), SerializeSetup(image));
    image.ref.empty = 0;
    image.ref.recordLength = 16;
    image.ref.samples.assign(16, 128);
    image.timebase.timeDivIndex = 30;
    WriteFileBytes((out / "setup" / "with_ref.set").string(), SerializeSetup(image));

    std::vector<std::uint16_t> record(10240);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint16_t>(128 + (i % 64));
    }
    SaveCsvFile((out / "csv" / "wave.csv").string(), settings, 0, record);
    SaveRefFile((out / "rfc" / "wave.rfc").string(), settings, 0, std::span(record).first(64), 10000);
    std::string refA = "300\n";
    for (int i = 0; i < 300; ++i) {
        refA += std::to_string(i % 256) + "\n";
    }
    refA += "12\n6\n50\n128\n10000\n";
    WriteFileBytes((out / "ref" / "a.ref").string(),
                   {reinterpret_cast<const std::uint8_t*>(refA.data()), refA.size()});
    const std::string refB = "10\n20\n30\n0.5\n6\n50\n128\n";
    WriteFileBytes((out / "ref" / "b.ref").string(),
                   {reinterpret_cast<const std::uint8_t*>(refB.data()), refB.size()});

    auto recorder = std::make_unique<CRecorder>();
    recorder->settings.recordedCount = 2;
    recorder->SaveRec((out / "rec" / "two.rec").string());
    return 0;
}
