// Test control of the simulated device, through the environment that TAVRIKX.dll (or, on the host,
// the linked-in device) reads at every open.
#include "simulated_device.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

SimulatedDevice::SimulatedDevice() {
  static int made;
  ++made;
  // Windows names its temporary folder in TEMP; the host has none there.
  const char* temp = getenv("TEMP");
  std::string folder = temp ? temp + std::string("\\") : "/tmp/";
  std::string base = folder + "tavrik-test-" + std::to_string(getpid());
  MemoryPath = base + "-" + std::to_string(made) + ".mem";
  LogPath = base + "-" + std::to_string(made) + ".log";
  for (const char* order : {"ABSENT=", "FAIL_AT=", "DELAY_MS=", "RESULT=", "DISCARD_WRITES="})
    Order(order);
  Order("MEMORY=" + MemoryPath);
  Order("LOG=" + LogPath);
}

SimulatedDevice::~SimulatedDevice() {
  remove(MemoryPath.c_str());
  remove(LogPath.c_str());
}

// An empty value takes the order back: the device reads an empty variable as none.
void SimulatedDevice::Order(const std::string& order) const {
  putenv(strdup(("TAVRIKX_SIM_" + order).c_str()));
}

std::vector<std::string> SimulatedDevice::Log() const {
  std::vector<std::string> lines;
  char line[256];
  FILE* file = fopen(LogPath.c_str(), "rb");
  while (file && fgets(line, sizeof line, file)) {
    // "<report> answered <answer>, result N" and "<report> unanswered, result N" lose their tails.
    std::string text = line;
    lines.push_back(text.substr(0, std::min(text.find(" answered"), text.find_first_of(",\n"))));
  }
  if (file) fclose(file);
  return lines;
}

void SimulatedDevice::SetCells(int address, const std::vector<uint8_t>& bytes) const {
  std::vector<uint8_t> memory(65536, 0);
  memcpy(memory.data() + address, bytes.data(), bytes.size());
  WriteFileBytes(MemoryPath, memory);
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
