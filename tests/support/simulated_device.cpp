// Test control of the simulated device: on Windows through the environment that TAVRIKX.dll
// reads, on the host through the same environment of the linked-in device.
#include "simulated_device.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>

static void SetVariable(const std::string& name, const char* value) {
  SetEnvironmentVariableA(name.c_str(), value);
}
static std::string TestFileBase() {
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  return folder + std::string("tavrik-test-") + std::to_string(GetCurrentProcessId());
}
#else
#include <unistd.h>

static void SetVariable(const std::string& name, const char* value) {
  if (value) setenv(name.c_str(), value, 1);
  if (!value) unsetenv(name.c_str());
}
static std::string TestFileBase() { return "/tmp/tavrik-test-" + std::to_string(getpid()); }
#endif

SimulatedDevice::SimulatedDevice() {
  static int made;
  ++made;
  std::string base = TestFileBase() + "-" + std::to_string(made);
  MemoryPath = base + ".mem";
  LogPath = base + ".log";
  for (const char* order : {"ABSENT", "FAIL_AT", "DELAY_MS", "RESULT", "DISCARD_WRITES"}) {
    Order(order);
  }
  Order("MEMORY=" + MemoryPath);
  Order("LOG=" + LogPath);
}

SimulatedDevice::~SimulatedDevice() {
  remove(MemoryPath.c_str());
  remove(LogPath.c_str());
}

void SimulatedDevice::Order(const std::string& order) const {
  size_t equals = order.find('=');
  std::string name = "TAVRIKX_SIM_" + order.substr(0, equals);
  bool given = equals != std::string::npos;
  SetVariable(name, given ? order.c_str() + equals + 1 : nullptr);
}

std::vector<std::string> SimulatedDevice::Log() const {
  std::vector<std::string> lines;
  char line[256];
  FILE* file = fopen(LogPath.c_str(), "rb");
  while (file && fgets(line, sizeof line, file)) {
    // "<report> answered <answer>, result N" and "<report> unanswered, result N" lose their tails.
    std::string text = line;
    size_t end = std::min(text.find(" answered"), text.find_first_of(",\n"));
    lines.push_back(text.substr(0, end));
  }
  if (file) fclose(file);
  return lines;
}

void SimulatedDevice::SetCells(int address, const std::vector<uint8_t>& bytes) const {
  std::vector<uint8_t> memory = FileBytes(MemoryPath);
  memory.resize(65536);
  memcpy(memory.data() + address, bytes.data(), bytes.size());
  WriteFileBytes(MemoryPath, memory);
}

std::string Hex(const uint8_t* bytes, size_t count) {
  std::string text;
  char pair[4];
  for (size_t i = 0; i < count; ++i) {
    snprintf(pair, sizeof pair, i ? " %02X" : "%02X", bytes[i]);
    text += pair;
  }
  return text;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> bytes(1 << 17);
  FILE* file = fopen(path.c_str(), "rb");
  bytes.resize(file ? fread(bytes.data(), 1, bytes.size(), file) : 0);
  if (file) fclose(file);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}
