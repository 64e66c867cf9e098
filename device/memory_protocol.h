// Reading and writing the device's configuration memory, one byte per report exchange.
// Window-free: it reaches nothing but the library and the caller's progress reporter.
#pragma once
#include <stdint.h>

#include "../config/config_block.h"
#include "tavrikx.h"

// Outcome of a device operation.
enum DeviceResult {
  DeviceOk = 0,
  DeviceNotFound = 1,
  DeviceTransferError = 2,
  DeviceInvalidConfig = 3
};

const uint8_t ReportId = 2, ReadByteCommand = 0x82, WriteByteCommand = 0x81;
// The control cell: 0 while the data is written, 72 once it is complete (docs/design.md).
const int ControlCellAddress = 511;
const uint8_t ControlCellWriting = 0, ControlCellDone = 72;

// Called after each of the 32 data bytes: the configuration percentage (always 100) and the data
// percentage.
typedef void (*ProgressReporter)(int configPercent, int dataPercent);
// Called after each exchange that no progress report follows, so pending messages are handled.
typedef void (*IdleRoutine)();

// Opens and closes the device once: DeviceOk when one is attached, DeviceNotFound otherwise.
int CheckDevicePresence();

// What ReadDeviceByte gives when no answer came.
const int NoDeviceAnswer = -1;
// An answer is told by the buffer, never by the library's result: preset to a sentinel, and to a
// second one when the first comes back (docs/design.md). Returns 0..255 or NoDeviceAnswer.
int ReadDeviceByte(HidDeviceHandle* device, int address);
// Returns the library's result unchanged; no caller uses it.
int WriteDeviceByte(HidDeviceHandle* device, int address, uint8_t value);

// On success the block holds the device's 32 bytes and 0 in bytes 32..511. A read without an
// answer ends the connection at once (DeviceTransferError) and leaves the block as it was.
int ReadConfigFromDevice(ConfigBlock& block, ProgressReporter report);
// Sends bytes 0..31 with 0 in the control cell, then reads the six setting cells back; only when
// all six hold what was sent is the control cell set to 72, and one more read after it shows that
// the device took it. Otherwise the connection ends there: DeviceTransferError, and no 72.
int WriteConfigToDevice(const ConfigBlock& block, ProgressReporter report, IdleRoutine idle = 0);
