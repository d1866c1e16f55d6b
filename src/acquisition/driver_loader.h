// Finds and opens the instrument driver as a shared library and binds its numbered entries.
//
// The library exports one C function per entry, named "morvlink_entry_<number>", with these signatures
// (dev is the slot 0..3; a nonzero int result means success where the caller looks at it):
//   1  int morvlink_entry_1(int dev)                                   force trigger
//   2  int morvlink_entry_2(int dev, uint32_t* captureAddress)         capture state 0/1/2
//   3  int morvlink_entry_3(int dev, int slope, const HardwareBlock*)  time base and trigger
//   4  int morvlink_entry_4(int dev, int ch1VoltsIndex, int ch2VoltsIndex, int ch1Coupling,
//                           int ch2Coupling, int triggerSource)
//   5  int morvlink_entry_5(int dev, const HardwareLevels*, int ch1VoltsIndex, int ch2VoltsIndex,
//                           int triggerSource, const uint16_t* calibrationTable /* 38 words */)
//   6  int morvlink_entry_6(int dev)                                   start capture
//   7  int morvlink_entry_7(int dev)                                   enable trigger
//   8  int morvlink_entry_8(int dev)                                   present?
//   9  int morvlink_entry_9(int dev, uint16_t* values, int count)      read calibration (72 values)
//  10  int morvlink_entry_10(int dev, const uint16_t* values, int count)
//  13  int morvlink_entry_13(int dev, int ch1BandwidthLimit, int ch2BandwidthLimit, int hfRejection)
//  14  int morvlink_entry_14(int dev, uint16_t* level)
//  15  int morvlink_entry_15(int dev, int level)
//  16  int morvlink_entry_16(int dev, uint16_t* ch1, uint16_t* ch2, const HardwareBlock*,
//                            uint32_t captureAddress, int calibrationLevel)
//  20  int morvlink_entry_20(int dev, uint16_t* id)
//  21  int morvlink_entry_21(int dev, int id)
// HardwareBlock and HardwareLevels are the standard-layout structs of acquisition/driver_library.h.
// Entries 17 and 18 (spectrum, resampling) are not bound: the analysis module computes them itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/driver_library.h"

namespace tarnix {

// The C signatures above, for the library's side and for the binding.
using MorvlinkSlotEntry = int (*)(int);
using MorvlinkCaptureStateEntry = int (*)(int, std::uint32_t*);
using MorvlinkTimebaseEntry = int (*)(int, int, const HardwareBlock*);
using MorvlinkChannelsEntry = int (*)(int, int, int, int, int, int);
using MorvlinkLevelsEntry = int (*)(int, const HardwareLevels*, int, int, int, const std::uint16_t*);
using MorvlinkReadWordsEntry = int (*)(int, std::uint16_t*, int);
using MorvlinkWriteWordsEntry = int (*)(int, const std::uint16_t*, int);
using MorvlinkFiltersEntry = int (*)(int, int, int, int);
using MorvlinkReadWordEntry = int (*)(int, std::uint16_t*);
using MorvlinkWriteValueEntry = int (*)(int, int);
using MorvlinkReadCaptureEntry = int (*)(int, std::uint16_t*, std::uint16_t*, const HardwareBlock*,
                                         std::uint32_t, int);

inline constexpr const char* kMorvlinkEntryPrefix = "morvlink_entry_";
inline constexpr const char* kMorvlinkLibraryName = "libmorvlink.so";
inline constexpr const char* kMorvlinkLibraryVariable = "MORVLINK_LIBRARY";

struct DriverLoadResult {
    std::unique_ptr<IDriverLibrary> library; // nullptr when the file could not be used
    std::string error;                       // why, for a log or a test
};

class CDriverLoader {
public:
    // Tries $MORVLINK_LIBRARY, then programDir/libmorvlink.so, then libmorvlink.so on the system
    // library path, and returns the first that opens with every entry; nullptr when none does
    // (the program then runs in demo mode).
    static std::unique_ptr<IDriverLibrary> Load(const std::string& programDir);

    // The places Load tries, in order (the last is a bare name for the system search).
    static std::vector<std::string> Candidates(const std::string& programDir);

    // Opens one file (or bare name) and binds every entry.
    static DriverLoadResult LoadFile(const std::string& path);
};

} // namespace tarnix
