// Test control of the simulated device, on Windows (through the environment the DLL reads) and on
// the host (where the same device is linked in).
#include "simulated_device.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

static void SetVariable(const std::string& name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name.c_str(), value);
#else
  value ? setenv(name.c_str(), value, 1) : unsetenv(name.c_str());
#endif
}

SimulatedDevice::SimulatedDevice() {
  static int made;
  char folder[260] = "/tmp/";
  long process = 0;
#ifdef _WIN32
  GetTempPathA(sizeof folder, folder);
  process = static_cast<long>(GetCurrentProcessId());
#else
  process = static_cast<long>(getpid());
#endif
  std::string base = folder + std::string("tavrik-test-") + std::to_string(process) + "-" + std::to_string(++made);
  MemoryPath = base + ".mem", LogPath = base + ".log";
  for (const char* name : {"ABSENT", "FAIL_AT", "DELAY_MS", "RESULT", "DISCARD_WRITES"}) Order(name, nullptr);
  Order("MEMORY", MemoryPath.c_str());
  Order("LOG", LogPath.c_str());
}

SimulatedDevice::~SimulatedDevice() {
  remove(MemoryPath.c_str());
  remove(LogPath.c_str());
}

void SimulatedDevice::Order(const char* name, const char* value) const {
  SetVariable(std::string("TAVRIKX_SIM_") + name, value);
}

std::vector<std::string> SimulatedDevice::Log() const {
  std::vector<std::string> lines;
  char line[256];
  FILE* file = fopen(LogPath.c_str(), "rb");
  while (file && fgets(line, sizeof line, file)) {
    std::string text(line, strcspn(line, "\r\n"));
    size_t out = text.find(" out ");
    size_t number = text.find(" conn ");
    if (text.compare(0, 4, "xchg") == 0 && out != std::string::npos)
      text = text.substr(out + 5, 23) + (text.find(" failed") != std::string::npos ? " failed" : "");
    else if (number != std::string::npos)  // connections are counted over the whole process
      text.erase(number, text.find_first_not_of("0123456789", number + 6) - number);
    lines.push_back(text);
  }
  if (file) fclose(file);
  return lines;
}

std::vector<uint8_t> SimulatedDevice::Cells(long address, size_t count) const {
  std::vector<uint8_t> cells(count);
  FILE* file = fopen(MemoryPath.c_str(), "rb");
  if (file && fseek(file, address, SEEK_SET) == 0 && fread(cells.data(), 1, count, file) != count) cells.assign(count, 0);
  if (file) fclose(file);
  return cells;
}

void SimulatedDevice::SetCells(long address, const std::vector<uint8_t>& bytes) const {
  std::vector<uint8_t> memory(65536);
  if (FILE* file = fopen(MemoryPath.c_str(), "rb")) fclose(file), memory = Cells(0, memory.size());
  memcpy(memory.data() + address, bytes.data(), bytes.size());
  FILE* file = fopen(MemoryPath.c_str(), "wb");
  if (file) fwrite(memory.data(), 1, memory.size(), file), fclose(file);
}

std::string Hex(const uint8_t* bytes, size_t count) {
  std::string text;
  char byte[4];
  for (size_t i = 0; i < count; ++i) snprintf(byte, sizeof byte, i ? " %02X" : "%02X", bytes[i]), text += byte;
  return text;
}
