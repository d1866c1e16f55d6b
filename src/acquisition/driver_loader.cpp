#include "acquisition/driver_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <utility>

namespace tarnix {

namespace {

// Owns the dlopen handle and forwards each interface method to its bound entry.
class CLoadedLibrary final : public IDriverLibrary {
public:
    explicit CLoadedLibrary(void* handle) : handle_(handle) {}
    ~CLoadedLibrary() override { dlclose(handle_); }
    CLoadedLibrary(const CLoadedLibrary&) = delete;
    CLoadedLibrary& operator=(const CLoadedLibrary&) = delete;

    // Binds every entry; on failure names the first missing one.
    bool Bind(std::string& error) {
        return Resolve(1, forceTrigger_, error) && Resolve(2, getCaptureState_, error) &&
               Resolve(3, setTimebaseTrigger_, error) && Resolve(4, setChannels_, error) &&
               Resolve(5, setLevels_, error) && Resolve(6, startCapture_, error) &&
               Resolve(7, enableTrigger_, error) && Resolve(8, isPresent_, error) &&
               Resolve(9, readCalibration_, error) && Resolve(10, writeCalibration_, error) &&
               Resolve(13, setFilters_, error) && Resolve(14, readCalibrationLevel_, error) &&
               Resolve(15, writeCalibrationLevel_, error) && Resolve(16, readCapture_, error) &&
               Resolve(20, readDeviceId_, error) && Resolve(21, writeDeviceId_, error);
    }

    int IsPresent(int slot) override { return isPresent_(slot); }
    int ReadDeviceId(int slot, std::uint16_t* id) override { return readDeviceId_(slot, id); }
    int WriteDeviceId(int slot, int id) override { return writeDeviceId_(slot, id); }
    int ReadCalibration(int slot, std::uint16_t* values, int count) override {
        return readCalibration_(slot, values, count);
    }
    int WriteCalibration(int slot, const std::uint16_t* values, int count) override {
        return writeCalibration_(slot, values, count);
    }
    int ReadCalibrationLevel(int slot, std::uint16_t* level) override {
        return readCalibrationLevel_(slot, level);
    }
    int WriteCalibrationLevel(int slot, int level) override { return writeCalibrationLevel_(slot, level); }
    int SetTimebaseTrigger(int slot, int slope, const HardwareBlock* block) override {
        return setTimebaseTrigger_(slot, slope, block);
    }
    int SetChannels(int slot, int ch1VoltsIndex, int ch2VoltsIndex, int ch1Coupling, int ch2Coupling,
                    int triggerSource) override {
        return setChannels_(slot, ch1VoltsIndex, ch2VoltsIndex, ch1Coupling, ch2Coupling, triggerSource);
    }
    int SetLevels(int slot, const HardwareLevels* levels, int ch1VoltsIndex, int ch2VoltsIndex,
                  int triggerSource, const std::uint16_t* calibrationTable) override {
        return setLevels_(slot, levels, ch1VoltsIndex, ch2VoltsIndex, triggerSource, calibrationTable);
    }
    int SetFilters(int slot, int ch1BandwidthLimit, int ch2BandwidthLimit, int hfRejection) override {
        return setFilters_(slot, ch1BandwidthLimit, ch2BandwidthLimit, hfRejection);
    }
    int StartCapture(int slot) override { return startCapture_(slot); }
    int EnableTrigger(int slot) override { return enableTrigger_(slot); }
    int ForceTrigger(int slot) override { return forceTrigger_(slot); }
    int GetCaptureState(int slot, std::uint32_t* captureAddress) override {
        return getCaptureState_(slot, captureAddress);
    }
    int ReadCapture(int slot, std::uint16_t* ch1, std::uint16_t* ch2, const HardwareBlock* block,
                    std::uint32_t captureAddress, int calibrationLevel) override {
        return readCapture_(slot, ch1, ch2, block, captureAddress, calibrationLevel);
    }

private:
    template <typename Function> bool Resolve(int entry, Function& target, std::string& error) {
        const std::string name = kMorvlinkEntryPrefix + std::to_string(entry);
        void* symbol = dlsym(handle_, name.c_str());
        if (symbol == nullptr) {
            error = "missing entry " + name;
            return false;
        }
        // POSIX guarantees that a dlsym result converts to a function pointer.
        target = reinterpret_cast<Function>(symbol);
        return true;
    }

    void* handle_;
    MorvlinkSlotEntry forceTrigger_ = nullptr;
    MorvlinkCaptureStateEntry getCaptureState_ = nullptr;
    MorvlinkTimebaseEntry setTimebaseTrigger_ = nullptr;
    MorvlinkChannelsEntry setChannels_ = nullptr;
    MorvlinkLevelsEntry setLevels_ = nullptr;
    MorvlinkSlotEntry startCapture_ = nullptr;
    MorvlinkSlotEntry enableTrigger_ = nullptr;
    MorvlinkSlotEntry isPresent_ = nullptr;
    MorvlinkReadWordsEntry readCalibration_ = nullptr;
    MorvlinkWriteWordsEntry writeCalibration_ = nullptr;
    MorvlinkFiltersEntry setFilters_ = nullptr;
    MorvlinkReadWordEntry readCalibrationLevel_ = nullptr;
    MorvlinkWriteValueEntry writeCalibrationLevel_ = nullptr;
    MorvlinkReadCaptureEntry readCapture_ = nullptr;
    MorvlinkReadWordEntry readDeviceId_ = nullptr;
    MorvlinkWriteValueEntry writeDeviceId_ = nullptr;
};

} // namespace

std::vector<std::string> CDriverLoader::Candidates(const std::string& programDir) {
    std::vector<std::string> candidates;
    if (const char* fromEnvironment = std::getenv(kMorvlinkLibraryVariable);
        fromEnvironment != nullptr && fromEnvironment[0] != '\0') {
        candidates.emplace_back(fromEnvironment);
    }
    if (!programDir.empty()) {
        std::string beside = programDir;
        if (beside.back() != '/') {
            beside += '/';
        }
        candidates.push_back(beside + kMorvlinkLibraryName);
    }
    candidates.emplace_back(kMorvlinkLibraryName);
    return candidates;
}

DriverLoadResult CDriverLoader::LoadFile(const std::string& path) {
    DriverLoadResult result;
    // RTLD_LOCAL keeps one library's symbols from resolving another's; RTLD_NOW finds a broken
    // library here instead of at the first call.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        result.error = why != nullptr ? why : "cannot open " + path;
        return result;
    }
    auto library = std::make_unique<CLoadedLibrary>(handle);
    if (!library->Bind(result.error)) {
        return result; // the handle is closed with the library object
    }
    result.library = std::move(library);
    return result;
}

std::unique_ptr<IDriverLibrary> CDriverLoader::Load(const std::string& programDir) {
    for (const std::string& candidate : Candidates(programDir)) {
        DriverLoadResult result = LoadFile(candidate);
        if (result.library != nullptr) {
            return std::move(result.library);
        }
    }
    return nullptr;
}

} // namespace tarnix
