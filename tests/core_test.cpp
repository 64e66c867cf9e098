// The window-free code: the memory protocol against the simulated device (on Windows through the
// real import of TAVRIKX.dll), the configuration block and file contents, and the size grid.
#include <gtest/gtest.h>
#include <string.h>

#include "config_block.h"
#include "memory_protocol.h"
#include "size_snapping.h"
#include "support/simulated_device.h"

static std::vector<int> Progress;  // data percentages reported; -1 where the configuration figure was not 100
static void RecordProgress(int configPercent, int dataPercent) { Progress.push_back(configPercent == 100 ? dataPercent : -1); }
static std::string DataReport(int command, int address, int value) {
  char text[32];
  return snprintf(text, sizeof text, "02 %02X 00 %02X %02X 00 00 00", command, address, value), text;
}
static ConfigBlock Filled(uint8_t value) {
  ConfigBlock block;
  return memset(block.Bytes, value, sizeof block.Bytes), block;
}
static std::string Bytes(const ConfigBlock& block, size_t from = 0, size_t count = 512) { return Hex(block.Bytes + from, count); }

TEST(MemoryProtocol, WriteFramesTheDataWithTheControlCellAndReadsTheSettingsBack) {
  SimulatedDevice device;
  ConfigBlock block = Filled(0);
  for (int i = 0; i < 32; ++i) block.Bytes[i] = static_cast<uint8_t>(i == 17 ? 0xA5 : 0xE0 + i);  // 128..255 pass
  Progress.clear();
  ASSERT_EQ(DeviceOk, WriteConfigToDevice(block, RecordProgress));
  std::vector<std::string> expected = {"open 17203 6 6 = 0", "02 81 01 FF 00 00 00 00"};
  for (int i = 0; i < 32; ++i) expected.push_back(DataReport(0x81, i, block.Bytes[i]));
  for (int i = 16; i <= 21; ++i) expected.push_back(DataReport(0x82, i, 0));
  expected.insert(expected.end(), {"02 81 01 FF 48 00 00 00", "02 82 00 10 00 00 00 00", "close"});
  EXPECT_EQ(expected, device.Log());
  EXPECT_EQ("02 81 00 11 A5 00 00 00", expected[19]);
  EXPECT_EQ(Bytes(block, 0, 32) + " 48", Hex(device.Cells(0, 32).data(), 32) + " " + Hex(device.Cells(511, 1).data(), 1));
  std::vector<int> someProgress = {Progress[0], Progress[1], Progress[7], Progress[15], Progress[30], Progress[31]};
  EXPECT_EQ((std::vector<int>{3, 6, 25, 50, 96, 100}), someProgress);
  EXPECT_EQ(32u, Progress.size());
}

TEST(MemoryProtocol, ReadTakesTheCellsEvenWhenOneEqualsAnAnswerSentinel) {
  SimulatedDevice device;
  std::vector<uint8_t> cells(33, 0x80);
  cells[3] = 0x5A, cells[4] = 0xA5, cells[31] = 0xFF, cells[32] = 0x77;
  device.SetCells(0, cells);
  ConfigBlock block = Filled(0xCC), expected = Filled(0);
  ASSERT_EQ(DeviceOk, ReadConfigFromDevice(block, RecordProgress));
  memcpy(expected.Bytes, cells.data(), 32);
  EXPECT_EQ(Bytes(expected), Bytes(block));
  std::vector<std::string> log = device.Log();  // open, 32 reads and one more for the cell equal to the sentinel, close
  ASSERT_EQ(35u, log.size());
  EXPECT_EQ(DataReport(0x82, 3, 0) + DataReport(0x82, 3, 0) + "02 82 00 1F 00 00 00 00", log[4] + log[5] + log[33]);
}

// The library's exchange result means nothing: a healthy round trip works whatever it is; a device
// that stops answering at exchange k ends in the transfer error, with no 72 after the failure and
// the reader's block untouched.
TEST(MemoryProtocol, FailuresAreToldByTheAnswersWhateverTheLibraryReturns) {
  for (int result : {0, 1, -7}) {
    SimulatedDevice device;
    device.Order("RESULT", result);
    ConfigBlock written, read = Filled(0xCC);
    BuildConfigBlock(DefaultSettings(), written);
    EXPECT_EQ(DeviceOk, WriteConfigToDevice(written, RecordProgress)) << "result " << result;
    EXPECT_EQ(DeviceOk, ReadConfigFromDevice(read, RecordProgress)) << "result " << result;
    EXPECT_EQ(Bytes(written, 0, 32), Bytes(read, 0, 32)) << "result " << result;
    for (int k = 1; k <= 41; ++k) {
      SCOPED_TRACE("failing from exchange " + std::to_string(k) + ", library result " + std::to_string(result));
      SimulatedDevice failing;
      failing.Order("RESULT", result);
      failing.Order("FAIL_AT", k);
      read = Filled(0xCC);
      EXPECT_EQ(DeviceTransferError, WriteConfigToDevice(written, RecordProgress));
      EXPECT_EQ(k <= 32 ? DeviceTransferError : DeviceOk, ReadConfigFromDevice(read, RecordProgress));
      EXPECT_EQ(k <= 32 ? Bytes(Filled(0xCC)) : Bytes(written, 0, 32), Bytes(read, 0, k <= 32 ? 512 : 32));
      bool failed = false;
      for (const std::string& line : failing.Log()) {
        EXPECT_FALSE(failed && line == "02 81 01 FF 48 00 00 00") << "72 after a failed exchange";
        failed = failed || line.find("failed") != std::string::npos;
      }
      EXPECT_EQ("close", failing.Log().back());
    }
  }
  SimulatedDevice storingNothing;
  storingNothing.Order("DISCARD_WRITES", 1);
  ConfigBlock defaults;
  BuildConfigBlock(DefaultSettings(), defaults);
  EXPECT_EQ(DeviceTransferError, WriteConfigToDevice(defaults, RecordProgress));
  EXPECT_EQ(0, storingNothing.Cells(511, 1)[0]);
}

// No device: absent, or the stand-in not asked to simulate one, or its memory file unusable.
TEST(MemoryProtocol, WithoutADeviceNothingIsExchangedAndNothingChanges) {
  const struct { const char *Name, *Value; } orders[] = {{"ABSENT", "1"}, {"MEMORY", nullptr}, {"MEMORY", "/no/such/dir/m"}};
  for (const auto& order : orders) {
    SimulatedDevice device;
    device.Order(order.Name, order.Value);
    SCOPED_TRACE(std::string(order.Name) + "=" + (order.Value ? order.Value : "(unset)"));
    EXPECT_EQ(DeviceNotFound, CheckDevicePresence());
    ConfigBlock block = Filled(0xCC);
    Progress.clear();
    EXPECT_EQ(DeviceNotFound, WriteConfigToDevice(block, RecordProgress));
    EXPECT_EQ(DeviceNotFound, ReadConfigFromDevice(block, RecordProgress));
    EXPECT_EQ(Bytes(Filled(0xCC)) + " no progress", Bytes(block) + (Progress.empty() ? " no progress" : " progress"));
    const char* opened = "open 17203 6 6 = 1";
    EXPECT_EQ((std::vector<std::string>{opened, "close none", opened, opened}), device.Log());
  }
}

TEST(ConfigBlock, EachCodeHasItsOwnOffsetAndTheMarkerIsSet) {
  ConfigBlock block = Filled(0xCC), expected = Filled(0);
  BuildConfigBlock(DefaultSettings(), block);
  memcpy(expected.Bytes + 16, "\x00\x02\x00\x00\x00\x01", 6);
  expected.Bytes[505] = 0x4C;
  EXPECT_EQ(Bytes(expected), Bytes(block));
  SettingCodes codes = {1, 2, 3, 4, 5, 6}, back;  // BaudRate, DataBits, StopBits, Mode, Parity, Handshake
  BuildConfigBlock(codes, block);
  EXPECT_EQ("04 01 05 03 06 02", Bytes(block, 16, 6));
  back = SettingsFromBlock(block);
  EXPECT_EQ(0, memcmp(&codes, &back, sizeof codes));
}

// A file is taken as its first 512 bytes (zeros after a shorter one) when it holds all six codes and
// each names an item; else it is refused and the block left as it was.
TEST(ConfigBlock, FilesAreRefusedWhenShortOrACodeNamesNoItem) {
  std::vector<uint8_t> file(1000, 0);
  file[30] = 0x99, file[505] = 0x4C, file[600] = 0x77;
  for (size_t size : {21, 22, 511, 1000}) {
    ConfigBlock block = Filled(0xCC), expected = Filled(0);
    memcpy(expected.Bytes, file.data(), size < 512 ? size : 512);
    bool accepted = ConfigBlockFromFileBytes(file.data(), size, block);
    EXPECT_EQ(Bytes(size >= 22 ? expected : Filled(0xCC)), Bytes(block)) << size << " bytes";
    EXPECT_EQ(size >= 22, accepted) << size << " bytes";
  }
  const struct { size_t Offset; int FirstInvalid; } limits[] = {{16, 3}, {17, 6}, {18, 3}, {19, 2}, {20, 2}, {21, 2}};
  for (const auto& limit : limits)
    for (int code : {limit.FirstInvalid - 1, limit.FirstInvalid}) {
      ConfigBlock block = Filled(0xCC);
      file[limit.Offset] = static_cast<uint8_t>(code);
      EXPECT_EQ(code < limit.FirstInvalid, ConfigBlockFromFileBytes(file.data(), 512, block)) << code << " at " << limit.Offset;
      file[limit.Offset] = 0;
    }
}

// Widths tie to the wider candidate, heights to the shorter; the dragged edges move.
TEST(SizeSnapping, TiesAndDraggedEdges) {
  const FrameSize frame = {8, 46};  // outer sizes 349, 413, ... wide and 355, 403, ... high
  const struct { int Edge; SnapRect Proposed, Snapped; } cases[] = {
      {EdgeBottomRight, {0, 0, 381, 379}, {0, 0, 413, 355}},   {EdgeLeft, {100, 100, 481, 479}, {68, 100, 481, 455}},
      {EdgeTopRight, {0, 0, 381, 379}, {0, 24, 413, 379}},     {EdgeBottomLeft, {0, 0, 382, 378}, {-31, 0, 382, 355}},
      {EdgeTop, {0, 0, 10, 10}, {0, -345, 349, 10}},           {EdgeBottom, {0, 0, 100000, 100000}, {0, 0, 65565, 49267}}};
  for (const auto& c : cases) {
    SnapRect rect = c.Proposed;
    SnapWindowRect(rect, c.Edge, frame);
    auto text = [](const SnapRect& r) { return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," +
                                               std::to_string(r.Right) + "," + std::to_string(r.Bottom); };
    EXPECT_EQ(text(c.Snapped), text(rect)) << "edge " << c.Edge;
  }
}
