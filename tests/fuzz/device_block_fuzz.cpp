// libFuzzer target: a configuration read from the simulated device's memory, its validity test and the codes.
//
// Input: bytes 0..31 are the device's configuration cells (zero-padded when shorter); byte 32, when
// present, orders the device's behaviour by its value modulo 35: 0 a good connection, 1..33 the
// exchange that fails first (33 lies past the 32 reads, so the read succeeds), 34 no device attached.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "block_checks.h"
#include "memory_protocol.h"
#include "simulated_device.h"

namespace {

const int NoFault = 0, DeviceAbsent = 34, FaultChoices = 35;

char Folder[512], MemoryPath[600];
unsigned char Memory[SimulatedMemorySize], MemoryAfter[SimulatedMemorySize];
int ProgressCalls;
bool ProgressInOrder;

void RecordProgress(int configPercent, int dataPercent) {
  if (configPercent != 100 || dataPercent != (ProgressCalls + 1) * 100 / 32) ProgressInOrder = false;
  ++ProgressCalls;
}

void RemoveFolder() {
  unlink(MemoryPath);
  rmdir(Folder);
}

void WriteMemoryFile() {
  FILE* file = fopen(MemoryPath, "wb");
  Require(file != 0);
  Require(fwrite(Memory, 1, sizeof Memory, file) == sizeof Memory);
  Require(fclose(file) == 0);
}

bool MemoryFileUnchanged() {
  FILE* file = fopen(MemoryPath, "rb");
  Require(file != 0);
  size_t got = fread(MemoryAfter, 1, sizeof MemoryAfter, file);
  fclose(file);
  return got == sizeof Memory && memcmp(Memory, MemoryAfter, sizeof Memory) == 0;
}

void OrderDevice(int fault) {
  unsetenv("TAVRIKX_SIM_FAIL_AT");
  unsetenv("TAVRIKX_SIM_ABSENT");
  if (fault == DeviceAbsent) {
    setenv("TAVRIKX_SIM_ABSENT", "1", 1);
  } else if (fault != NoFault) {
    char text[8];
    snprintf(text, sizeof text, "%d", fault);
    setenv("TAVRIKX_SIM_FAIL_AT", text, 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* temp = getenv("TMPDIR");
  snprintf(Folder, sizeof Folder, "%s/tavrik9-fuzz-XXXXXX", temp && temp[0] ? temp : "/tmp");
  Require(mkdtemp(Folder) != 0);
  snprintf(MemoryPath, sizeof MemoryPath, "%s/TAVRIKX.mem", Folder);
  atexit(RemoveFolder);
  setenv("TAVRIKX_SIM_MEMORY", MemoryPath, 1);
  unsetenv("TAVRIKX_SIM_LOG");
  unsetenv("TAVRIKX_SIM_DELAY_MS");
  // Cells outside 0..31 hold a pattern, so a read that strays past the configuration shows in the block.
  for (size_t i = 0; i < SimulatedMemorySize; ++i) Memory[i] = static_cast<uint8_t>((0x5A + i * 13) | 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t cells[DeviceConfigSize] = {};
  memcpy(cells, data, size < DeviceConfigSize ? size : DeviceConfigSize);
  int fault = size > DeviceConfigSize ? data[DeviceConfigSize] % FaultChoices : NoFault;

  memcpy(Memory, cells, sizeof cells);
  WriteMemoryFile();
  OrderDevice(fault);

  ConfigBlock block;
  FillSentinel(block);
  ProgressCalls = 0;
  ProgressInOrder = true;
  int result = ReadConfigFromDevice(block, RecordProgress);

  // A read never writes a cell, whatever happens on the way.
  Require(MemoryFileUnchanged());
  Require(ProgressInOrder);

  int expectedResult = DeviceOk;
  int expectedCalls = static_cast<int>(DeviceConfigSize);
  if (fault == DeviceAbsent) {
    expectedResult = DeviceNotFound;
    expectedCalls = 0;
  } else if (fault != NoFault && fault <= static_cast<int>(DeviceConfigSize)) {
    expectedResult = DeviceTransferError;
    expectedCalls = fault - 1;
  }
  Require(result == expectedResult);
  Require(ProgressCalls == expectedCalls);

  if (result != DeviceOk) {
    Require(HoldsSentinel(block));
    return 0;
  }

  Require(memcmp(block.Bytes, cells, sizeof cells) == 0);
  for (size_t i = DeviceConfigSize; i < ConfigBlockSize; ++i) Require(block.Bytes[i] == 0);

  ConfigBlock beforeTest = block;
  bool valid = IsConfigBlockValid(block);
  Require(valid == CodesInRange(cells));
  // Refused or applied, judging the block leaves it as it was read.
  Require(memcmp(&beforeTest, &block, sizeof block) == 0);
  if (valid) CheckApplied(block);
  return 0;
}
