// CDeviceLink against a scripted driver: the search, the calibration byte split, the level rule, and that
// every entry names the selected slot.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <vector>

#include "acquisition/device_link.h"

namespace tarnix {
namespace {

class CFakeDriver final : public IDriverLibrary {
public:
    std::array<int, kSlotCount> answers{}; // entry 8 per slot
    std::array<std::uint16_t, kSlotCount> ids{};
    std::array<std::uint16_t, kCalibrationValues> calibration{};
    int calibrationResult = 1;
    std::uint16_t level = 0;
    int levelResult = 1;
    int writeResult = 1;
    std::vector<std::uint16_t> written;
    std::map<int, std::vector<int>> slotsByEntry; // which slot each call of an entry named
    std::vector<int> idReads;
    const HardwareBlock* lastBlock = nullptr;
    const HardwareLevels* lastLevels = nullptr;
    const std::uint16_t* lastTable = nullptr;

    int IsPresent(int slot) override { return Note(8, slot), answers[static_cast<std::size_t>(slot)]; }
    int ReadDeviceId(int slot, std::uint16_t* id) override {
        Note(20, slot);
        idReads.push_back(slot);
        *id = ids[static_cast<std::size_t>(slot)];
        return 1;
    }
    int WriteDeviceId(int slot, int) override { return Note(21, slot), writeResult; }
    int ReadCalibration(int slot, std::uint16_t* values, int count) override {
        Note(9, slot);
        if (count != kCalibrationValues) {
            return 0;
        }
        std::copy(calibration.begin(), calibration.end(), values);
        return calibrationResult;
    }
    int WriteCalibration(int slot, const std::uint16_t* values, int count) override {
        Note(10, slot);
        written.assign(values, values + count);
        return writeResult;
    }
    int ReadCalibrationLevel(int slot, std::uint16_t* value) override {
        Note(14, slot);
        *value = level;
        return levelResult;
    }
    int WriteCalibrationLevel(int slot, int) override { return Note(15, slot), writeResult; }
    int SetTimebaseTrigger(int slot, int, const HardwareBlock* block) override {
        lastBlock = block;
        return Note(3, slot), 1;
    }
    int SetChannels(int slot, int, int, int, int, int) override { return Note(4, slot), 1; }
    int SetLevels(int slot, const HardwareLevels* levels, int, int, int,
                  const std::uint16_t* table) override {
        lastLevels = levels;
        lastTable = table;
        return Note(5, slot), 1;
    }
    int SetFilters(int slot, int, int, int) override { return Note(13, slot), 1; }
    int StartCapture(int slot) override { return Note(6, slot), 1; }
    int EnableTrigger(int slot) override { return Note(7, slot), 1; }
    int ForceTrigger(int slot) override { return Note(1, slot), 1; }
    int GetCaptureState(int slot, std::uint32_t* address) override {
        *address = 0xBEEF;
        return Note(2, slot), kCaptureTriggered;
    }
    int ReadCapture(int slot, std::uint16_t* ch1, std::uint16_t*, const HardwareBlock*, std::uint32_t address,
                    int calibrationLevel) override {
        ch1[0] = static_cast<std::uint16_t>(address + static_cast<std::uint32_t>(calibrationLevel));
        return Note(16, slot), 1;
    }

private:
    void Note(int entry, int slot) { slotsByEntry[entry].push_back(slot); }
};

TEST(DeviceLink, SearchCountsAnsweringSlotsAndReadsOnlyTheirIds) {
    CFakeDriver driver;
    driver.answers = {0, 1, 0, 1};
    driver.ids = {11, 22, 33, 44};
    CDeviceLink link(&driver);
    link.deviceId = {9, 9, 9, 9};

    EXPECT_EQ(link.Search(), 2);
    EXPECT_EQ(link.deviceCount, 2);
    EXPECT_EQ(link.present, (std::array<std::uint32_t, 4>{0, 1, 0, 1}));
    EXPECT_EQ(driver.idReads, (std::vector<int>{1, 3}));
    EXPECT_EQ(link.deviceId, (std::array<std::uint16_t, 4>{9, 22, 9, 44}));

    // A second search starts from zero: an unplugged slot is no longer counted.
    driver.answers = {0, 0, 0, 1};
    EXPECT_EQ(link.Search(), 1);
    EXPECT_EQ(link.present, (std::array<std::uint32_t, 4>{0, 0, 0, 1}));
}

TEST(DeviceLink, WithoutLibraryNothingIsFoundAndNothingFails) {
    CDeviceLink link(nullptr);
    EXPECT_FALSE(link.HasLibrary());
    EXPECT_EQ(link.Search(), 0);
    EXPECT_FALSE(link.IsPresent());
    EXPECT_FALSE(link.ReadCalibration());
    EXPECT_FALSE(link.WriteDeviceId(0, 5));
    EXPECT_EQ(link.GetCaptureState(), kCaptureWaiting);
    for (int result :
         {link.StartCapture(), link.EnableTrigger(), link.ForceTrigger(), link.SetFilters(0, 0, 0)}) {
        EXPECT_EQ(result, 0) << "an entry without a driver must not report success";
    }
    std::vector<std::uint16_t> memory(16, 7);
    EXPECT_EQ(link.ReadCapture(memory.data(), memory.data()), 0);
    EXPECT_EQ(memory[0], 7);
    EXPECT_EQ(link.calibration[36], 0);
    EXPECT_EQ(link.calibration[37], 254);
}

TEST(DeviceLink, CalibrationWordsJoinHighAndLowBytesWithTheHighByteCappedAt50) {
    CFakeDriver driver;
    // Pairs (high, low): the words worked out by hand are 160, 2*256+88 = 600, 50*256+7 = 12807
    // (high byte 51 capped to 50), 50*256+255 = 13055 (high byte 255 capped).
    driver.calibration[0] = 0;
    driver.calibration[1] = 160;
    driver.calibration[2] = 2;
    driver.calibration[3] = 88;
    driver.calibration[4] = 51;
    driver.calibration[5] = 7;
    driver.calibration[70] = 255;
    driver.calibration[71] = 255;
    CDeviceLink link(&driver);

    ASSERT_TRUE(link.ReadCalibration());
    EXPECT_EQ(link.calibration[0], 160);
    EXPECT_EQ(link.calibration[1], 600);
    EXPECT_EQ(link.calibration[2], 12807);
    EXPECT_EQ(link.calibration[3], 0);
    EXPECT_EQ(link.calibration[35], 13055);
    EXPECT_EQ(link.calibration[36], 0);
    EXPECT_EQ(link.calibration[37], 254);

    // Writing splits back into high byte first, low byte second.
    ASSERT_TRUE(link.WriteCalibration());
    ASSERT_EQ(driver.written.size(), 72u);
    EXPECT_EQ(driver.written[2], 2);
    EXPECT_EQ(driver.written[3], 88);
    EXPECT_EQ(driver.written[4], 50);
    EXPECT_EQ(driver.written[5], 7);

    // A failing read leaves the 36 words zeroed, not the previous values.
    driver.calibrationResult = 0;
    EXPECT_FALSE(link.ReadCalibration());
    for (int word = 0; word < 36; ++word) {
        EXPECT_EQ(link.calibration[static_cast<std::size_t>(word)], 0) << word;
    }
}

TEST(DeviceLink, CalibrationLevel255IsReadAsZeroAndFailuresKeepTheOldValue) {
    CFakeDriver driver;
    CDeviceLink link(&driver);
    driver.level = 7;
    ASSERT_TRUE(link.ReadCalibrationLevel());
    EXPECT_EQ(link.calibrationLevel, 7);
    driver.level = 255;
    ASSERT_TRUE(link.ReadCalibrationLevel());
    EXPECT_EQ(link.calibrationLevel, 0);

    driver.level = 9;
    driver.levelResult = 0;
    link.calibrationLevel = 4;
    EXPECT_FALSE(link.ReadCalibrationLevel());
    EXPECT_EQ(link.calibrationLevel, 4);

    EXPECT_TRUE(link.WriteCalibrationLevel(10));
    EXPECT_EQ(link.calibrationLevel, 10);
    driver.writeResult = 0;
    EXPECT_FALSE(link.WriteCalibrationLevel(3));
    EXPECT_EQ(link.calibrationLevel, 10);
}

TEST(DeviceLink, DeviceIdIsReplacedOnlyWhenTheInstrumentAcceptsIt) {
    CFakeDriver driver;
    CDeviceLink link(&driver);
    link.deviceId[1] = 3;
    EXPECT_TRUE(link.WriteDeviceId(1, 200));
    EXPECT_EQ(link.deviceId[1], 200);
    driver.writeResult = 0;
    EXPECT_FALSE(link.WriteDeviceId(1, 17));
    EXPECT_EQ(link.deviceId[1], 200);
    // Out of the ID range or the slot range: refused without asking the instrument.
    driver.writeResult = 1;
    const std::size_t callsBefore = driver.slotsByEntry[21].size();
    EXPECT_FALSE(link.WriteDeviceId(1, 256));
    EXPECT_FALSE(link.WriteDeviceId(4, 1));
    EXPECT_FALSE(link.IsPresent(-1));
    EXPECT_EQ(driver.slotsByEntry[21].size(), callsBefore);
}

TEST(DeviceLink, EveryEntryNamesTheSelectedSlotAndPassesTheLinksOwnRecords) {
    CFakeDriver driver;
    CDeviceLink link(&driver);
    link.selectedSlot = 2;
    std::vector<std::uint16_t> ch1(10240), ch2(10240);

    link.IsPresent();
    link.ReadCalibration();
    link.WriteCalibration();
    link.ReadCalibrationLevel();
    link.WriteCalibrationLevel(5);
    link.SetTimebaseTrigger(0);
    link.SetChannels(6, 6, 1, 1, 0);
    link.SetLevels(6, 6, 0);
    link.SetFilters(0, 0, 0);
    link.StartCapture();
    link.EnableTrigger();
    link.ForceTrigger();
    EXPECT_EQ(link.GetCaptureState(), kCaptureTriggered);
    EXPECT_EQ(link.captureAddress, 0xBEEFu);
    EXPECT_EQ(link.ReadCapture(ch1, ch2), 1);

    for (int entry : {8, 9, 10, 14, 15, 3, 4, 5, 13, 6, 7, 1, 2, 16}) {
        EXPECT_EQ(driver.slotsByEntry[entry], std::vector<int>{2}) << "entry " << entry;
    }
    EXPECT_EQ(driver.lastBlock, &link.block);
    EXPECT_EQ(driver.lastLevels, &link.block.levels);
    EXPECT_EQ(driver.lastTable, link.calibration.data());
    EXPECT_EQ(ch1[0], 0xBEEF + 5); // the capture address and calibration level were handed back

    // Zero calibration sends its own working table instead.
    std::array<std::uint16_t, kCalibrationTableSize> working{};
    link.SetLevels(0, 6, 0, working.data());
    EXPECT_EQ(driver.lastTable, working.data());
}

TEST(DeviceLink, CheckedReadCaptureRefusesMemoriesShorterThanTheRecord) {
    CFakeDriver driver;
    CDeviceLink link(&driver);
    link.block.bufferSizeIndex = 3; // 32768 samples
    EXPECT_EQ(link.CaptureLength(), 32768u);
    std::vector<std::uint16_t> shortMemory(10240, 1), longMemory(32768, 1);
    EXPECT_EQ(link.ReadCapture(shortMemory, longMemory), 0);
    EXPECT_EQ(link.ReadCapture(longMemory, shortMemory), 0);
    EXPECT_TRUE(driver.slotsByEntry[16].empty());
    EXPECT_EQ(link.ReadCapture(longMemory, longMemory), 1);
}

} // namespace
} // namespace tarnix
