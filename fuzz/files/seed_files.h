// A small starting corpus of valid files for the loader fuzz targets, written below a folder as
// {setup,csv,rfc,ref,rec}/...; shared by fuzz_files_seeds and the corpus replay test.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "files/csv_file.h"
#include "files/file_io.h"
#include "files/ref_file.h"
#include "files/setup_file.h"
#include "model/safe_file.h"
#include "recorder/recorder.h"

namespace tarnix::fuzz {

inline void WriteSeedFiles(const std::filesystem::path& out) {
    for (const char* sub : {"setup", "csv", "rfc", "ref", "rec"}) {
        std::filesystem::create_directories(out / sub);
    }
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);

    SetupImage image;
    CaptureSettings(settings, image);
    WriteFileSafely((out / "setup" / "default.set").string(), SerializeSetup(image));
    // Every field past the model holding the same small number: one past many limits at once.
    for (const std::uint8_t value : {2, 3, 4, 10}) {
        std::vector<std::uint8_t> same = SerializeSetup(image);
        for (std::size_t i = 16; i + 1 < same.size(); i += 2) {
            same[i] = value;
            same[i + 1] = 0;
        }
        WriteFileSafely((out / "setup" / ("same" + std::to_string(value) + ".set")).string(), same);
    }
    image.ref.empty = 0;
    image.ref.recordLength = 16;
    image.ref.samples.assign(16, 128);
    image.timebase.timeDivIndex = 30;
    WriteFileSafely((out / "setup" / "with_ref.set").string(), SerializeSetup(image));

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
    WriteFileSafely((out / "ref" / "a.ref").string(),
                    {reinterpret_cast<const std::uint8_t*>(refA.data()), refA.size()});
    const std::string refB = "10\n20\n30\n0.5\n6\n50\n128\n";
    WriteFileSafely((out / "ref" / "b.ref").string(),
                    {reinterpret_cast<const std::uint8_t*>(refB.data()), refB.size()});

    auto recorder = std::make_unique<CRecorder>();
    recorder->settings.recordedCount = 2;
    recorder->SaveRec((out / "rec" / "two.rec").string());
}

} // namespace tarnix::fuzz
