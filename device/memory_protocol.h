// Reading and writing the device's configuration memory, one byte per report exchange.
// Window-free: it reaches nothing but the library and the caller's progress reporter.
#pragma once
#include <stdint.h>

#include "../config/config_block.h"
#include "tavrikx.h"

// Outcome of a device operation.
enum DeviceResult { DeviceOk = 0, DeviceNotFound = 1, DeviceTransferError = 2, DeviceInvalidConfig = 3 };

const uint8_t ReportId = 2, ReadByteCommand = 0x82, WriteByteCommand = 0x81;
const int ControlCellAddress = 511;
const uint8_t ControlCellWriting = 0, ControlCellDone = 72;

// Called after each of the 32 data bytes: the configuration percentage (always 100) and the data percentage.
typedef void (*ProgressReporter)(int configPercent, int dataPercent);
// Called after the control cell's first write, which no progress report follows.
typedef void (*IdleRoutine)();

// Opens and closes the device once: DeviceOk when one is attached, DeviceNotFound otherwise.
int CheckDevicePresence();

void BuildOutputReport(unsigned char report[HidReportSize], uint8_t command, int address, uint8_t value);
// (i + 1) * 100 / 32, truncated: 3, 6, 9, ... 96, 100.
int DataProgressPercent(int byteIndex);

// Both return the library's result, 0 for a good exchange; the read gives the cell's value in *value.
int ReadDeviceByte(HidDeviceHandle* device, int address, uint8_t* value);
int WriteDeviceByte(HidDeviceHandle* device, int address, uint8_t value);

// On success the block holds the device's 32 bytes and 0 in bytes 32..511. On any failure the
// block is left as it was. A failed exchange ends the connection at once: DeviceTransferError.
int ReadConfigFromDevice(ConfigBlock& block, ProgressReporter report);
// Sends bytes 0..31, framed by 0 and then 72 in the control cell. A failed exchange ends the
// connection at once (no 72 is written): DeviceTransferError.
int WriteConfigToDevice(const ConfigBlock& block, ProgressReporter report, IdleRoutine idle = 0);
