// The memory protocol against the simulated device: exact reports, counts, progress and failures.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "memory_protocol.h"
#include "support/simulated_device_scope.h"

namespace {

std::vector<std::pair<int, int>> Progress;
void RecordProgress(int configPercent, int dataPercent) { Progress.emplace_back(configPercent, dataPercent); }

class MemoryProtocol : public ::testing::Test {
 protected:
  void SetUp() override { Progress.clear(); }
  SimulatedDeviceScope device;
};

ConfigBlock Pattern() {
  ConfigBlock block;
  for (size_t i = 0; i < ConfigBlockSize; ++i) block.Bytes[i] = static_cast<uint8_t>(0xA0 + i * 7);
  return block;
}

std::vector<uint8_t> Report(uint8_t command, int address, uint8_t value) {
  return {2, command, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF), value, 0, 0, 0};
}

TEST_F(MemoryProtocol, WriteSendsThirtyFourExactReports) {
  ConfigBlock block = Pattern();
  block.Bytes[17] = 0xA5;
  ASSERT_EQ(DeviceOk, WriteConfigToDevice(block, RecordProgress));
  auto exchanges = device.Exchanges();
  ASSERT_EQ(34u, exchanges.size());
  EXPECT_EQ("02 81 01 FF 00 00 00 00", HexBytes(exchanges.front().Out));
  EXPECT_EQ("02 81 01 FF 48 00 00 00", HexBytes(exchanges.back().Out));
  EXPECT_EQ("02 81 00 11 A5 00 00 00", HexBytes(exchanges[1 + 17].Out));
  for (int i = 0; i < 32; ++i) EXPECT_EQ(HexBytes(Report(0x81, i, block.Bytes[i])), HexBytes(exchanges[1 + i].Out));
  EXPECT_TRUE(ConnectionsBalanced(device.Log()));
  std::vector<uint8_t> memory = device.Memory();
  EXPECT_EQ(0, memcmp(memory.data(), block.Bytes, 32));
  EXPECT_EQ(72, memory[511]);
}

TEST_F(MemoryProtocol, ReadSendsThirtyTwoExactReportsAndClearsTheRest) {
  std::vector<uint8_t> cells(32);
  for (int i = 0; i < 32; ++i) cells[i] = static_cast<uint8_t>(255 - i * 3);  // 128..255 among them
  device.SetMemory(0, cells);
  device.SetMemory(32, {0x77, 0x77});
  ConfigBlock block;
  memset(block.Bytes, 0xEE, sizeof block.Bytes);
  ASSERT_EQ(DeviceOk, ReadConfigFromDevice(block, RecordProgress));
  auto exchanges = device.Exchanges();
  ASSERT_EQ(32u, exchanges.size());
  for (int i = 0; i < 32; ++i) EXPECT_EQ(HexBytes(Report(0x82, i, 0)), HexBytes(exchanges[i].Out));
  EXPECT_EQ("02 82 00 1F 00 00 00 00", HexBytes(exchanges.back().Out));
  EXPECT_EQ(0, memcmp(cells.data(), block.Bytes, 32));
  for (size_t i = 32; i < ConfigBlockSize; ++i) ASSERT_EQ(0, block.Bytes[i]) << "offset " << i;
  EXPECT_TRUE(ConnectionsBalanced(device.Log()));
}

TEST_F(MemoryProtocol, HighByteValuesSurviveARoundTrip) {
  ConfigBlock out;
  for (size_t i = 0; i < ConfigBlockSize; ++i) out.Bytes[i] = static_cast<uint8_t>(128 + i * 4);
  ASSERT_EQ(DeviceOk, WriteConfigToDevice(out, RecordProgress));
  ConfigBlock in;
  ASSERT_EQ(DeviceOk, ReadConfigFromDevice(in, RecordProgress));
  EXPECT_EQ(0, memcmp(out.Bytes, in.Bytes, 32));
}

TEST_F(MemoryProtocol, ProgressFollowsEachDataByte) {
  const int expected[32] = {3,  6,  9,  12, 15, 18, 21, 25, 28, 31, 34, 37, 40, 43, 46, 50,
                            53, 56, 59, 62, 65, 68, 71, 75, 78, 81, 84, 87, 90, 93, 96, 100};
  ConfigBlock block = Pattern();
  for (int pass = 0; pass < 2; ++pass) {
    Progress.clear();
    ASSERT_EQ(DeviceOk, pass ? ReadConfigFromDevice(block, RecordProgress) : WriteConfigToDevice(block, RecordProgress));
    ASSERT_EQ(32u, Progress.size());
    for (int i = 0; i < 32; ++i) {
      EXPECT_EQ(100, Progress[i].first);
      EXPECT_EQ(expected[i], Progress[i].second) << "report " << i;
    }
  }
}

TEST_F(MemoryProtocol, AbsentDeviceMeansNoExchangeNoProgressNothingToClose) {
  device.SetAbsent(true);
  ConfigBlock block = Pattern(), before = block;
  EXPECT_EQ(DeviceNotFound, ReadConfigFromDevice(block, RecordProgress));
  EXPECT_EQ(DeviceNotFound, WriteConfigToDevice(block, RecordProgress));
  EXPECT_EQ(0, memcmp(before.Bytes, block.Bytes, sizeof block.Bytes));
  EXPECT_TRUE(Progress.empty());
  auto log = device.Log();
  ASSERT_EQ(2u, log.size());
  for (const auto& entry : log) EXPECT_EQ("open", entry.Kind) << entry.Line;
}

TEST_F(MemoryProtocol, PresenceCheckOpensAndClosesOnce) {
  EXPECT_EQ(DeviceOk, CheckDevicePresence());
  auto log = device.Log();
  ASSERT_EQ(2u, log.size());
  EXPECT_EQ("open 17203 6 6 = 0", log[0].Line.substr(0, log[0].Line.find(" conn ")));
  EXPECT_EQ("close", log[1].Kind);
  EXPECT_TRUE(ConnectionsBalanced(log));
  device.SetAbsent(true);
  device.ClearLog();
  EXPECT_EQ(DeviceNotFound, CheckDevicePresence());
  log = device.Log();
  ASSERT_EQ(2u, log.size());
  EXPECT_EQ("close none", log[1].Line) << "a failed open leaves a record that is safe to close";
}

TEST_F(MemoryProtocol, WriteFailingAtAnyExchangeStopsThereAndNeverMarksDone) {
  ConfigBlock block = Pattern();
  for (int k = 1; k <= 34; ++k) {
    device.SetMemory(511, {0x55});
    device.ClearLog();
    Progress.clear();
    device.SetFailAt(k);
    ASSERT_EQ(DeviceTransferError, WriteConfigToDevice(block, RecordProgress)) << "failing at " << k;
    auto exchanges = device.Exchanges();
    ASSERT_EQ(static_cast<size_t>(k), exchanges.size()) << "no exchange after the failed one, k=" << k;
    EXPECT_NE(0, exchanges.back().Result);
    EXPECT_EQ(static_cast<size_t>(k > 1 ? std::min(k - 2, 32) : 0), Progress.size()) << k;
    EXPECT_NE(72, device.Memory()[511]) << "k=" << k;
    EXPECT_TRUE(ConnectionsBalanced(device.Log())) << "k=" << k;
  }
}

TEST_F(MemoryProtocol, ReadFailingAtAnyExchangeLeavesTheBlockAlone) {
  for (int k = 1; k <= 32; ++k) {
    device.ClearLog();
    Progress.clear();
    device.SetFailAt(k);
    ConfigBlock block = Pattern(), before = block;
    ASSERT_EQ(DeviceTransferError, ReadConfigFromDevice(block, RecordProgress)) << "failing at " << k;
    EXPECT_EQ(static_cast<size_t>(k), device.Exchanges().size()) << k;
    EXPECT_EQ(static_cast<size_t>(k - 1), Progress.size()) << k;
    EXPECT_EQ(0, memcmp(before.Bytes, block.Bytes, sizeof block.Bytes)) << k;
    EXPECT_TRUE(ConnectionsBalanced(device.Log())) << "k=" << k;
  }
}

TEST(OutputReport, AddressSplitsIntoHighAndLowBytes) {
  unsigned char report[8];
  memset(report, 0xCC, sizeof report);
  BuildOutputReport(report, WriteByteCommand, 511, 0x48);
  EXPECT_EQ("02 81 01 FF 48 00 00 00", HexBytes(std::vector<uint8_t>(report, report + 8)));
  BuildOutputReport(report, ReadByteCommand, 0x1234, 0);
  EXPECT_EQ("02 82 12 34 00 00 00 00", HexBytes(std::vector<uint8_t>(report, report + 8)));
}

}  // namespace
