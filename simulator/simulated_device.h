// A stand-in for the TAVRIK-9 behind TAVRIKX.dll: 65,536 byte cells kept in a file across runs,
// answering the read and write reports, with faults and delays to order and a log of every call.
//
// It simulates a device only when asked to: without TAVRIKX_SIM_MEMORY every open fails, exactly as
// the maker's library does with nothing plugged in, so a copy of the program that still has this
// library beside it never takes a file for the user's converter. Its environment, read at every
// open:
//   TAVRIKX_SIM_MEMORY: file that holds the device memory; the simulation is on when it is set
//   TAVRIKX_SIM_LOG: file that receives one line per open, exchange and close (default: no log),
//     "open 17203 6 6 = 0" ("overlap" added while another is open), "close",
//     "<report> answered <answer>, result N" or "<report> unanswered, ..."
//   TAVRIKX_SIM_ABSENT=1: no device is attached, every open fails
//   TAVRIKX_SIM_FAIL_AT=N: exchange N of a connection (counted from 1) and all after it fail
//   TAVRIKX_SIM_DELAY_MS=N: each exchange takes N ms
//   TAVRIKX_SIM_RESULT=N: what every exchange returns, good or failed (default 0); the result
//     means nothing to the program, and this proves it
//   TAVRIKX_SIM_DISCARD_WRITES=1: write reports are answered but nothing is stored
// A failed exchange stores nothing and leaves the caller's answer buffer as it was.
#pragma once
#include <stddef.h>

const size_t SimulatedMemorySize = 65536;
const int SimulatorOpenFailed = 1;

// The platform's side: environment and sleeping.
bool ReadSimulatorSetting(const char* name, char* value, size_t size);
void SleepMilliseconds(int ms);
