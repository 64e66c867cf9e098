// The window-free code: the memory protocol against the simulated device, on Windows through the
// real import of TAVRIKX.dll.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include "memory_protocol.h"
#include "support/simulated_device.h"

using std::string;
using std::to_string;
using std::vector;

// The data percentages reported, each followed by a blank. The configuration figure, always 100,
// shows in the progress dialog's text, which the window tests read.
static string Progress;

static void RecordProgress(int, int dataPercent) { Progress += to_string(dataPercent) + " "; }

static vector<uint8_t> Bytes(ConfigBlock block) {
  return vector<uint8_t>(block.Bytes, block.Bytes + 512);
}

// "02 81 00 11 A5 00 00 00": a report for one of the cells below 256.
static string Report(int command, int address, int value) {
  char text[32];
  snprintf(text, sizeof text, "02 %02X 00 %02X %02X 00 00 00", command, address, value);
  return text;
}

// One Save To and one Read From as the device sees them, whatever the library's exchange result
// means (here it is always -7). Values from 128 to 255 pass both ways; a cell that holds the first
// sentinel, 0x5A, is read twice. A device that stops answering from exchange k on ends the transfer
// in its error, with no 72 sent after the failure and the reader's block untouched; so does one
// that answers writes but stores nothing (k = 42).
TEST(MemoryProtocol, ReportsOnTheWireAndFailuresToldByTheAnswers) {
  ConfigBlock block = {};
  for (int i = 0; i < 32; ++i) block.Bytes[i] = 0xE0 + i;
  block.Bytes[3] = 0x5A;
  block.Bytes[17] = 0xA5;
  vector<string> wire = {"open 17203 6 6 = 0", "02 81 01 FF 00 00 00 00"};
  for (int i = 0; i < 32; ++i) wire.push_back(Report(0x81, i, block.Bytes[i]));
  for (int i = 16; i <= 21; ++i) wire.push_back(Report(0x82, i, 0));
  wire.push_back("02 81 01 FF 48 00 00 00");
  wire.push_back("02 82 00 10 00 00 00 00");
  wire.push_back("close");
  wire.push_back("open 17203 6 6 = 0");
  for (int i = 0; i < 32; ++i) {
    wire.push_back(Report(0x82, i, 0));
    if (i == 3) wire.push_back(Report(0x82, i, 0));  // 0x5A, the first sentinel: read again
  }
  wire.push_back("close");
  const string percents =
      "3 6 9 12 15 18 21 25 28 31 34 37 40 43 46 50 53 56 59 62 65 68 71 75 78 81 84 87 90 93 96 "
      "100 ";
  for (int k = 0; k <= 42; ++k) {
    SCOPED_TRACE("no answer from exchange " + to_string(k));
    SimulatedDevice device;
    device.Order("RESULT=-7");
    device.Order(k < 42 ? "FAIL_AT=" + to_string(k) : "DISCARD_WRITES=1");
    Progress.clear();
    ConfigBlock read;
    memset(read.Bytes, 0xCC, 512);
    bool readFails = k >= 1 && k <= 33;
    vector<uint8_t> expected = readFails ? Bytes(read) : Bytes(block);
    if (k == 42) expected.assign(512, 0);
    EXPECT_EQ(k ? DeviceTransferError : DeviceOk, WriteConfigToDevice(block, RecordProgress));
    EXPECT_EQ(readFails ? DeviceTransferError : DeviceOk,
              ReadConfigFromDevice(read, RecordProgress));
    EXPECT_EQ(expected, Bytes(read));
    // The 72 is exchange 40, sent only when every exchange before it was answered.
    vector<uint8_t> bytes = FileBytes(device.LogPath);
    string log(bytes.begin(), bytes.end());
    bool sent72 = log.find("02 81 01 FF 48") != string::npos;
    EXPECT_EQ(k == 0 || k == 40 || k == 41, sent72);
    if (k > 0) continue;
    EXPECT_EQ(wire, device.Log());
    EXPECT_EQ(percents + percents, Progress);
    EXPECT_EQ(72, FileBytes(device.MemoryPath)[511]);
  }
}
