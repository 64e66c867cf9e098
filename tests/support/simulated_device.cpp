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
#else
#include <unistd.h>
#endif

SimulatedDevice::SimulatedDevice() {
  static int made;
  char folder[260] = "/tmp/";
#ifdef _WIN32
  GetTempPathA(sizeof folder, folder);
#endif
  std::string base = folder + ("tavrik-test-" + std::to_string(getpid()) + "-" + std::to_string(++made));
  MemoryPath = base + ".mem", LogPath = base + ".log";
  for (const char* name : {"ABSENT", "FAIL_AT", "DELAY_MS", "RESULT", "DISCARD_WRITES"}) Order(name, nullptr);
  Order("MEMORY", MemoryPath.c_str()), Order("LOG", LogPath.c_str());
}

void SimulatedDevice::Order(const char* name, const char* value) const {
  std::string variable = std::string("TAVRIKX_SIM_") + name;
  value ? setenv(variable.c_str(), value, 1) : unsetenv(variable.c_str());
}

std::vector<std::string> SimulatedDevice::Log() const {
  std::vector<uint8_t> bytes = FileBytes(LogPath);
  std::vector<std::string> lines;
  for (auto start = bytes.begin(), end = start; (end = std::find(start, bytes.end(), '\n')) != bytes.end(); start = end + 1) {
    std::string line(start, end);
    lines.push_back(line.substr(0, std::min(line.find(" answered"), line.find(","))));
  }
  return lines;
}

std::vector<uint8_t> SimulatedDevice::Cells(long address, size_t count) const {
  std::vector<uint8_t> cells = FileBytes(MemoryPath, address, count);
  return cells.resize(count), cells;
}

void SimulatedDevice::SetCells(long address, const std::vector<uint8_t>& bytes) const {
  std::vector<uint8_t> memory = Cells(0, 65536);
  memcpy(memory.data() + address, bytes.data(), bytes.size());
  WriteFileBytes(MemoryPath, memory);
}

std::string Hex(const uint8_t* bytes, size_t count) {
  std::string text;
  char byte[4];
  for (size_t i = 0; i < count; ++i) snprintf(byte, sizeof byte, i ? " %02X" : "%02X", bytes[i]), text += byte;
  return text;
}

std::vector<uint8_t> FileBytes(const std::string& path, long offset, size_t count) {
  std::vector<uint8_t> bytes(count);
  FILE* file = fopen(path.c_str(), "rb");
  bytes.resize(file && fseek(file, offset, SEEK_SET) == 0 ? fread(bytes.data(), 1, count, file) : 0);
  return file && fclose(file), bytes;
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file) fwrite(bytes.data(), 1, bytes.size(), file), fclose(file);
}
