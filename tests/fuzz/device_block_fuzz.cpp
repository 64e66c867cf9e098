// libFuzzer target: the read sequence over the simulated device. Input bytes 0..31 are the device's
// configuration cells; byte 32 orders a fault (value modulo 34: 0 none, 1..32 the first exchange
// that goes unanswered, 33 no device) and byte 33 what the library returns for every exchange.
#include <string.h>

#include "memory_protocol.h"
#include "support/simulated_device.h"

static void Require(bool condition) {
  if (!condition) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SimulatedDevice device;
  std::vector<uint8_t> cells(DeviceConfigSize, 0);
  memcpy(cells.data(), data, size < cells.size() ? size : cells.size());
  int fault = size > 32 ? data[32] % 34 : 0;
  device.Order("RESULT", size > 33 ? static_cast<int8_t>(data[33]) : 0),
      device.Order("ABSENT", fault == 33);
  device.Order("FAIL_AT", fault >= 1 && fault <= 32 ? fault : 0), device.SetCells(0, cells);
  ConfigBlock block;
  memset(block.Bytes, 0xEE, sizeof block.Bytes);
  int result = ReadConfigFromDevice(block, [](int, int) {});
  Require(result == (fault == 0 ? DeviceOk : fault == 33 ? DeviceNotFound : DeviceTransferError));
  Require(FileBytes(device.MemoryPath, 0, DeviceConfigSize) == cells);
  for (size_t i = 0; i < ConfigBlockSize; ++i)
    Require(block.Bytes[i] == (result != DeviceOk ? 0xEE : i < DeviceConfigSize ? cells[i] : 0));
  return 0;
}
