// The simulator's Windows side: settings from the process environment.
#include <windows.h>

#include "simulated_device.h"

bool ReadSimulatorSetting(const char* name, char* value, size_t size) {
  DWORD length = GetEnvironmentVariableA(name, value, static_cast<DWORD>(size));
  return length > 0 && length < size;
}

void SleepMilliseconds(int ms) { Sleep(static_cast<DWORD>(ms)); }
