// A stand-in for the TAVRIK-9 behind TAVRIKX.dll: 65,536 byte cells kept in a file across runs,
// answering the read and write reports, with faults and delays to order and a log of every call.
//
// It is told what to do through its own environment, read at every open:
//   TAVRIKX_SIM_MEMORY    file that holds the device memory (default: TAVRIKX.mem beside the library)
//   TAVRIKX_SIM_LOG       file that receives one line per open, exchange and close (default: no log)
//   TAVRIKX_SIM_ABSENT    1: no device is attached, every open fails
//   TAVRIKX_SIM_FAIL_AT   N: exchange N of a connection (counted from 1) and all after it fail
//   TAVRIKX_SIM_DELAY_MS  milliseconds that each exchange takes
#pragma once
#include <stddef.h>

const size_t SimulatedMemorySize = 65536;
const int SimulatorOpenFailed = 1, SimulatorExchangeFailed = 1;

// The platform's side: environment, default memory path, sleeping.
bool ReadSimulatorSetting(const char* name, char* value, size_t size);
void DefaultMemoryPath(char* path, size_t size);
void SleepMilliseconds(int ms);
