// The report exchanges and the read and write sequences over one connection each.
#include "memory_protocol.h"

#include <string.h>

static bool OpenDevice(HidDeviceHandle* device) {
  return OpenHidDevice(TavrikVendorId, TavrikProductId, TavrikInterfaceId, device) == 0;
}

int CheckDevicePresence() {
  HidDeviceHandle device;
  bool opened = OpenDevice(&device);
  // The library accepts a record whose open failed, so it is closed either way.
  CloseHidDevice(&device);
  return opened ? DeviceOk : DeviceNotFound;
}

static void BuildOutputReport(unsigned char report[HidReportSize], uint8_t command, int address,
                              uint8_t value) {
  report[0] = ReportId;
  report[1] = command;
  report[2] = static_cast<uint8_t>(address / 256);
  report[3] = static_cast<uint8_t>(address % 256);
  report[4] = value;
  report[5] = 0;
  report[6] = 0;
  report[7] = 0;
}

// (i + 1) * 100 / 32, truncated: 3, 6, 9, ... 96, 100.
static int DataProgressPercent(int byteIndex) {
  return (byteIndex + 1) * 100 / static_cast<int>(DeviceConfigSize);
}

static int ExchangeForAnswer(HidDeviceHandle* device, const unsigned char* report,
                             unsigned char sentinel) {
  unsigned char answer[HidReportSize];
  memset(answer, sentinel, sizeof answer);
  WriteHidDevice(device, report, answer);
  return answer[4] == sentinel ? NoDeviceAnswer : answer[4];
}

int ReadDeviceByte(HidDeviceHandle* device, int address) {
  const unsigned char FirstSentinel = 0x5A, SecondSentinel = 0xA5;
  unsigned char report[HidReportSize];
  BuildOutputReport(report, ReadByteCommand, address, 0);
  int value = ExchangeForAnswer(device, report, FirstSentinel);
  return value != NoDeviceAnswer ? value : ExchangeForAnswer(device, report, SecondSentinel);
}

int WriteDeviceByte(HidDeviceHandle* device, int address, uint8_t value) {
  unsigned char report[HidReportSize], answer[HidReportSize];
  BuildOutputReport(report, WriteByteCommand, address, value);
  return WriteHidDevice(device, report, answer);
}

static void Idle(IdleRoutine idle) {
  if (idle) idle();
}

int ReadConfigFromDevice(ConfigBlock& block, ProgressReporter report) {
  HidDeviceHandle device;
  if (!OpenDevice(&device)) return DeviceNotFound;
  uint8_t data[DeviceConfigSize];
  int result = DeviceOk;
  for (size_t i = 0; i < DeviceConfigSize && result == DeviceOk; ++i) {
    int value = ReadDeviceByte(&device, static_cast<int>(i));
    if (value == NoDeviceAnswer) {
      result = DeviceTransferError;
    } else {
      data[i] = static_cast<uint8_t>(value);
      report(100, DataProgressPercent(static_cast<int>(i)));
    }
  }
  CloseHidDevice(&device);
  if (result == DeviceOk) {
    memset(block.Bytes, 0, sizeof block.Bytes);
    memcpy(block.Bytes, data, sizeof data);
  }
  return result;
}

// Only the setting cells are checked: the device may keep the other cells of 0..31 to itself.
static bool SettingCellsHold(HidDeviceHandle* device, const ConfigBlock& block, IdleRoutine idle) {
  for (size_t address = ModeOffset; address <= DataBitsOffset; ++address) {
    int value = ReadDeviceByte(device, static_cast<int>(address));
    Idle(idle);
    if (value != block.Bytes[address]) return false;
  }
  return true;
}

int WriteConfigToDevice(const ConfigBlock& block, ProgressReporter report, IdleRoutine idle) {
  HidDeviceHandle device;
  if (!OpenDevice(&device)) return DeviceNotFound;
  WriteDeviceByte(&device, ControlCellAddress, ControlCellWriting);
  Idle(idle);
  for (size_t i = 0; i < DeviceConfigSize; ++i) {
    WriteDeviceByte(&device, static_cast<int>(i), block.Bytes[i]);
    report(100, DataProgressPercent(static_cast<int>(i)));
  }
  int result = DeviceTransferError;
  if (SettingCellsHold(&device, block, idle)) {
    WriteDeviceByte(&device, ControlCellAddress, ControlCellDone);
    Idle(idle);
    // The control cell itself is the device's to change, so a setting cell is read instead.
    if (ReadDeviceByte(&device, ModeOffset) != NoDeviceAnswer) result = DeviceOk;
    Idle(idle);
  }
  CloseHidDevice(&device);
  return result;
}
