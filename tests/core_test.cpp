// The window-free code: the memory protocol against the simulated device (on Windows through the
// real import of TAVRIKX.dll) and the size grid. The configuration block is the fuzz targets' to
// check.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>

#include "memory_protocol.h"
#include "size_snapping.h"
#include "support/simulated_device.h"

static std::vector<int>
    Progress;  // data percentages reported; -1 where the configuration figure was not 100
static void RecordProgress(int configPercent, int dataPercent) {
  Progress.push_back(configPercent == 100 ? dataPercent : -1);
}
static std::string Report(int command, int address, int value) {  // for the cells below 256
  char text[32];
  return snprintf(text, sizeof text, "02 %02X 00 %02X %02X 00 00 00", command, address, value),
         text;
}
static ConfigBlock Block(uint8_t fill) {
  ConfigBlock block;
  return memset(block.Bytes, fill, sizeof block.Bytes), block;
}

TEST(MemoryProtocol, ReportsOnTheWireForAWriteAndARead) {
  SimulatedDevice device;
  ConfigBlock block = Block(0), read = Block(0xCC);
  for (int i = 0; i < 32; ++i)
    block.Bytes[i] = static_cast<uint8_t>(i == 17  ? 0xA5
                                          : i == 3 ? 0x5A
                                                   : 0xE0 + i);  // 128..255 pass
  ASSERT_EQ(DeviceOk, WriteConfigToDevice(block, RecordProgress));
  ASSERT_EQ(DeviceOk, ReadConfigFromDevice(read, RecordProgress));
  std::vector<std::string> expected = {"open 17203 6 6 = 0", "02 81 01 FF 00 00 00 00"};
  for (int i = 0; i < 32; ++i) expected.push_back(Report(0x81, i, block.Bytes[i]));
  for (int i = 16; i <= 21; ++i) expected.push_back(Report(0x82, i, 0));
  expected.insert(expected.end(), {"02 81 01 FF 48 00 00 00", "02 82 00 10 00 00 00 00", "close",
                                   "open 17203 6 6 = 0"});
  for (int i = 0; i < 32; ++i)
    expected.insert(expected.end(), i == 3 ? 2 : 1, Report(0x82, i, 0));  // 0x5A is a sentinel
  expected.push_back("close");
  EXPECT_EQ(expected, device.Log());
  EXPECT_EQ("02 81 00 11 A5 00 00 00", expected[19]);
  EXPECT_EQ(Hex(block.Bytes, 512), Hex(read.Bytes, 512));
  EXPECT_EQ(std::vector<uint8_t>{72}, FileBytes(device.MemoryPath, 511, 1));
  ASSERT_EQ(64u, Progress.size());
  EXPECT_EQ("3 6 25 50 96 100",
            std::to_string(Progress[0]) + " " + std::to_string(Progress[1]) + " " +
                std::to_string(Progress[7]) + " " + std::to_string(Progress[15]) + " " +
                std::to_string(Progress[30]) + " " + std::to_string(Progress[63]));
}

// The library's exchange result means nothing: a healthy round trip works whatever it is; a device
// that stops answering at exchange k ends in the transfer error, with no 72 after the failure and
// the reader's block untouched. So does a device that stores nothing.
TEST(MemoryProtocol, FailuresAreToldByTheAnswersWhateverTheLibraryReturns) {
  ConfigBlock written, read, image;  // image: what the device holds afterwards
  BuildConfigBlock(DefaultSettings(), written), image = written, image.Bytes[505] = 0;
  for (int result : {0, 1, -7})
    for (int k = 0; k <= 42; ++k) {
      SCOPED_TRACE("failing from exchange " + std::to_string(k) + ", library result " +
                   std::to_string(result));
      SimulatedDevice device;
      device.Order("RESULT", result), device.Order(k > 41 ? "DISCARD_WRITES" : "FAIL_AT", k);
      read = Block(0xCC);
      EXPECT_EQ(k == 0 ? DeviceOk : DeviceTransferError,
                WriteConfigToDevice(written, RecordProgress));
      bool readFails = k >= 1 && k <= 32;
      EXPECT_EQ(readFails ? DeviceTransferError : DeviceOk,
                ReadConfigFromDevice(read, RecordProgress));
      EXPECT_EQ(Hex((readFails ? Block(0xCC)
                     : k > 41  ? Block(0)
                               : image)
                        .Bytes,
                    512),
                Hex(read.Bytes, 512));
      std::vector<std::string> log =
          device.Log();  // the 72 is exchange 40: sent only when all before it were answered
      EXPECT_EQ(k == 0 || k == 40 || k == 41,
                std::count(log.begin(), log.end(), "02 81 01 FF 48 00 00 00") +
                    std::count(log.begin(), log.end(), "02 81 01 FF 48 00 00 00 unanswered"));
    }
}

// Widths tie to the wider candidate, heights to the shorter; the dragged edges move.
TEST(SizeSnapping, TiesAndDraggedEdges) {
  const FrameSize frame = {8, 46};  // outer sizes 349, 413, ... wide and 355, 403, ... high
  const struct {
    int Edge;
    SnapRect Proposed, Snapped;
  } cases[] = {{EdgeBottomRight, {0, 0, 381, 379}, {0, 0, 413, 355}},
               {EdgeLeft, {100, 100, 481, 479}, {68, 100, 481, 455}},
               {EdgeTopRight, {0, 0, 381, 379}, {0, 24, 413, 379}},
               {EdgeBottomLeft, {0, 0, 382, 378}, {-31, 0, 382, 355}},
               {EdgeTop, {0, 0, 10, 10}, {0, -345, 349, 10}},
               {EdgeBottom, {0, 0, 100000, 100000}, {0, 0, 65565, 49267}},
               {EdgeTopLeft, {0, 0, 10, 10}, {-339, -345, 10, 10}}};
  auto text = [](SnapRect r) {
    return std::to_string(r.Left) + " " + std::to_string(r.Top) + " " + std::to_string(r.Right) +
           " " + std::to_string(r.Bottom);
  };
  for (auto c : cases) {
    SnapWindowRect(c.Proposed, c.Edge, frame);
    EXPECT_EQ(text(c.Snapped), text(c.Proposed)) << "edge " << c.Edge;
  }
}
