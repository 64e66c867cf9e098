// The report exchanges and the read and write sequences over one connection each.
#include "memory_protocol.h"

#include <string.h>

int CheckDevicePresence() {
  HidDeviceHandle device;
  int opened = OpenHidDevice(TavrikVendorId, TavrikProductId, TavrikInterfaceId, &device);
  // The library accepts a record whose open failed, so it is closed either way.
  CloseHidDevice(&device);
  return opened == 0 ? DeviceOk : DeviceNotFound;
}

void BuildOutputReport(unsigned char report[HidReportSize], uint8_t command, int address, uint8_t value) {
  report[0] = ReportId;
  report[1] = command;
  report[2] = static_cast<uint8_t>(address / 256);
  report[3] = static_cast<uint8_t>(address % 256);
  report[4] = value;
  report[5] = 0;
  report[6] = 0;
  report[7] = 0;
}

int DataProgressPercent(int byteIndex) { return (byteIndex + 1) * 100 / static_cast<int>(DeviceConfigSize); }

int ReadDeviceByte(HidDeviceHandle* device, int address, uint8_t* value) {
  unsigned char report[HidReportSize], answer[HidReportSize] = {};
  BuildOutputReport(report, ReadByteCommand, address, 0);
  int result = WriteHidDevice(device, report, answer);
  *value = answer[4];
  return result;
}

int WriteDeviceByte(HidDeviceHandle* device, int address, uint8_t value) {
  unsigned char report[HidReportSize], answer[HidReportSize];
  BuildOutputReport(report, WriteByteCommand, address, value);
  return WriteHidDevice(device, report, answer);
}

static bool OpenDevice(HidDeviceHandle* device) {
  return OpenHidDevice(TavrikVendorId, TavrikProductId, TavrikInterfaceId, device) == 0;
}

int ReadConfigFromDevice(ConfigBlock& block, ProgressReporter report) {
  HidDeviceHandle device;
  if (!OpenDevice(&device)) return DeviceNotFound;
  uint8_t data[DeviceConfigSize];
  int result = DeviceOk;
  for (size_t i = 0; i < DeviceConfigSize && result == DeviceOk; ++i) {
    if (ReadDeviceByte(&device, static_cast<int>(i), &data[i]) != 0)
      result = DeviceTransferError;
    else
      report(100, DataProgressPercent(static_cast<int>(i)));
  }
  CloseHidDevice(&device);
  if (result == DeviceOk) {
    memset(block.Bytes, 0, sizeof block.Bytes);
    memcpy(block.Bytes, data, sizeof data);
  }
  return result;
}

int WriteConfigToDevice(const ConfigBlock& block, ProgressReporter report, IdleRoutine idle) {
  HidDeviceHandle device;
  if (!OpenDevice(&device)) return DeviceNotFound;
  int result = WriteDeviceByte(&device, ControlCellAddress, ControlCellWriting) == 0 ? DeviceOk : DeviceTransferError;
  if (result == DeviceOk && idle) idle();
  for (size_t i = 0; i < DeviceConfigSize && result == DeviceOk; ++i) {
    if (WriteDeviceByte(&device, static_cast<int>(i), block.Bytes[i]) != 0)
      result = DeviceTransferError;
    else
      report(100, DataProgressPercent(static_cast<int>(i)));
  }
  if (result == DeviceOk && WriteDeviceByte(&device, ControlCellAddress, ControlCellDone) != 0)
    result = DeviceTransferError;
  CloseHidDevice(&device);
  return result;
}
