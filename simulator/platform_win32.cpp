// The simulator's Windows side: settings from the process environment, memory beside the DLL.
#include <windows.h>

#include <string.h>

#include "simulated_device.h"

bool ReadSimulatorSetting(const char* name, char* value, size_t size) {
  DWORD length = GetEnvironmentVariableA(name, value, static_cast<DWORD>(size));
  return length > 0 && length < size;
}

void DefaultMemoryPath(char* path, size_t size) {
  HMODULE self = 0;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&DefaultMemoryPath), &self);
  DWORD length = GetModuleFileNameA(self, path, static_cast<DWORD>(size));
  char* slash = length && length < size ? strrchr(path, '\\') : 0;
  const char* name = "TAVRIKX.mem";
  if (slash && static_cast<size_t>(slash + 1 - path) + strlen(name) < size)
    strcpy(slash + 1, name);
  else
    lstrcpynA(path, name, static_cast<int>(size));
}

void SleepMilliseconds(int ms) { Sleep(static_cast<DWORD>(ms)); }
