// Test control of the simulated device, on Windows (through the environment the DLL reads) and on
// the host (where the same device is linked in).
#include "simulated_device.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#ifdef _WIN32
#include <windows.h>
#define setenv(name, value, overwrite) SetEnvironmentVariableA(name, value)
#define unsetenv(name) SetEnvironmentVariableA(name, nullptr)
#define getpid GetCurrentProcessId
static const char Temp[] = "TEMP", Slash[] = "\\";
#else
#include <unistd.h>
static const char Temp[] = "TMPDIR", Slash[] = "/";
#endif

SimulatedDevice::SimulatedDevice() {
  static int made;
  std::string base = std::string(getenv(Temp) ? getenv(Temp) : "/tmp") + Slash + "tavrik-test-" +
                     std::to_string(getpid()) + "-" + std::to_string(++made);
  MemoryPath = base + ".mem", LogPath = base + ".log";
  for (const char* name : {"ABSENT", "FAIL_AT", "DELAY_MS", "RESULT", "DISCARD_WRITES"})
    Order(name, nullptr);
  Order("MEMORY", MemoryPath.c_str()), Order("LOG", LogPath.c_str());
}

void SimulatedDevice::Order(const char* name, const char* value) const {
  std::string variable = std::string("TAVRIKX_SIM_") + name;
  value ? setenv(variable.c_str(), value, 1) : unsetenv(variable.c_str());
}

std::vector<std::string> SimulatedDevice::Log() const {
  std::vector<uint8_t> bytes = FileBytes(LogPath);
  std::vector<std::string> lines;
  for (auto start = bytes.begin(), end = start;
       (end = std::find(start, bytes.end(), '\n')) != bytes.end(); start = end + 1) {
    std::string line(start, end);
    lines.push_back(line.substr(0, std::min(line.find(" answered"), line.find(","))));
  }
  return lines;
}

void SimulatedDevice::SetCells(long address, const std::vector<uint8_t>& bytes) const {
  std::vector<uint8_t> memory = FileBytes(MemoryPath);
  memory.resize(65536);
  memcpy(memory.data() + address, bytes.data(), bytes.size());
  WriteFileBytes(MemoryPath, memory);
}

std::string Hex(const uint8_t* bytes, size_t count) {
  std::string text;
  char byte[4];
  for (size_t i = 0; i < count; ++i)
    snprintf(byte, sizeof byte, i ? " %02X" : "%02X", bytes[i]), text += byte;
  return text;
}

std::vector<uint8_t> FileBytes(const std::string& path, long offset, size_t count) {
  std::vector<uint8_t> bytes(count);
  FILE* file = fopen(path.c_str(), "rb");
  bytes.resize(file && fseek(file, offset, SEEK_SET) == 0 ? fread(bytes.data(), 1, count, file)
                                                          : 0);
  return file && fclose(file), bytes;
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file) fwrite(bytes.data(), 1, bytes.size(), file), fclose(file);
}
