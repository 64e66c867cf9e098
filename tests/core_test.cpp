// The window-free code: the memory protocol against the simulated device, on Windows through the
// real import of TAVRIKX.dll.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include "memory_protocol.h"
#include "size_snapping.h"
#include "support/simulated_device.h"

// The data percentages reported, each followed by a blank. The configuration figure, always 100,
// shows in the progress dialog's text, which the window tests read.
static std::string Progress;

static void RecordProgress(int, int dataPercent) { Progress += std::to_string(dataPercent) + " "; }

static std::vector<uint8_t> Bytes(const ConfigBlock& block) {
  return std::vector<uint8_t>(block.Bytes, block.Bytes + 512);
}

// "02 81 00 11 A5 00 00 00": a report for one of the cells below 256.
static std::string Report(int command, int address, int value) {
  char text[32];
  snprintf(text, sizeof text, "02 %02X 00 %02X %02X 00 00 00", command, address, value);
  return text;
}

// One Save To and one Read From as the device sees them. Values from 128 to 255 pass both ways;
// a cell that holds the first sentinel, 0x5A, is read twice.
TEST(MemoryProtocol, ReportsOnTheWire) {
  SimulatedDevice device;
  ConfigBlock block = {};
  for (int i = 0; i < 32; ++i) block.Bytes[i] = 0xE0 + i;
  block.Bytes[3] = 0x5A;
  block.Bytes[17] = 0xA5;
  ConfigBlock read;
  memset(read.Bytes, 0xCC, 512);
  ASSERT_EQ(DeviceOk, WriteConfigToDevice(block, RecordProgress));
  ASSERT_EQ(DeviceOk, ReadConfigFromDevice(read, RecordProgress));

  std::vector<std::string> expected = {"open 17203 6 6 = 0", "02 81 01 FF 00 00 00 00"};
  for (int i = 0; i < 32; ++i) expected.push_back(Report(0x81, i, block.Bytes[i]));
  for (int i = 16; i <= 21; ++i) expected.push_back(Report(0x82, i, 0));
  expected.push_back("02 81 01 FF 48 00 00 00");
  expected.push_back("02 82 00 10 00 00 00 00");
  expected.push_back("close");
  expected.push_back("open 17203 6 6 = 0");
  for (int i = 0; i < 32; ++i) {
    expected.push_back(Report(0x82, i, 0));
    if (i == 3) expected.push_back(Report(0x82, i, 0));  // 0x5A, the first sentinel: read again
  }
  expected.push_back("close");
  EXPECT_EQ(expected, device.Log());
  EXPECT_EQ(Bytes(block), Bytes(read));
  EXPECT_EQ(72, FileBytes(device.MemoryPath)[511]);
  const std::string percents =
      "3 6 9 12 15 18 21 25 28 31 34 37 40 43 46 50 53 56 59 62 65 68 71 75 78 81 84 87 90 93 96 "
      "100 ";
  EXPECT_EQ(percents + percents, Progress);
}

// The library's exchange result means nothing (here it is always -7): a device that answers works,
// and one that stops answering at exchange k ends in the transfer error, with no 72 sent after the
// failure and the reader's block untouched. So does a device that answers writes but stores
// nothing.
TEST(MemoryProtocol, FailuresAreToldByTheAnswersWhateverTheLibraryReturns) {
  ConfigBlock written;
  BuildConfigBlock(DefaultSettings(), written);
  for (int k = 0; k <= 42; ++k) {
    SCOPED_TRACE("no answer from exchange " + std::to_string(k));
    SimulatedDevice device;
    device.Order("RESULT=-7");
    device.Order(k < 42 ? "FAIL_AT=" + std::to_string(k) : "DISCARD_WRITES=1");
    ConfigBlock read;
    memset(read.Bytes, 0xCC, 512);
    bool readFails = k >= 1 && k <= 32;
    std::vector<uint8_t> expected = Bytes(written);
    expected[505] = 0;  // the marker stays in files
    if (k == 42) expected.assign(512, 0);
    if (readFails) expected = Bytes(read);

    EXPECT_EQ(k ? DeviceTransferError : DeviceOk, WriteConfigToDevice(written, RecordProgress));
    EXPECT_EQ(readFails ? DeviceTransferError : DeviceOk,
              ReadConfigFromDevice(read, RecordProgress));
    EXPECT_EQ(expected, Bytes(read));
    // The 72 is exchange 40, sent only when every exchange before it was answered.
    std::vector<uint8_t> bytes = FileBytes(device.LogPath);
    std::string log(bytes.begin(), bytes.end());
    bool sent72 = log.find("02 81 01 FF 48") != std::string::npos;
    EXPECT_EQ(k == 0 || k == 40 || k == 41, sent72);
  }
}

// Widths tie to the wider candidate, heights to the shorter, and a drag of the top-left corner
// moves the left and top edges. A frame of 8 by 46 makes outer sizes of 349, 413... wide and 355,
// 403... high: 381 by 379 lies halfway between two of each.
TEST(SizeSnapping, TiesAndTheDraggedCorner) {
  SnapRect rect = {0, 0, 381, 379};
  SnapWindowRect(rect, EdgeTopLeft, {8, 46});
  EXPECT_EQ(-32, rect.Left);
  EXPECT_EQ(24, rect.Top);
}
