// A fresh simulated device for each test: its memory and log in files of its own, its orders given
// through the environment that the stand-in TAVRIKX library reads at every open. And file helpers.
#pragma once
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

struct SimulatedDevice {
  SimulatedDevice();
  ~SimulatedDevice() { remove(MemoryPath.c_str()), remove(LogPath.c_str()); }
  // Sets TAVRIKX_SIM_<name>; null takes the order back.
  void Order(const char* name, const char* value) const;
  void Order(const char* name, int value) const { Order(name, std::to_string(value).c_str()); }
  // One line per library call: opens and closes as logged, an exchange as its output report, with
  // " unanswered" when the device did not answer it.
  std::vector<std::string> Log() const;
  void SetCells(long address, const std::vector<uint8_t>& bytes) const;
  std::string MemoryPath, LogPath;
};

std::string Hex(const uint8_t* bytes, size_t count);
// A file's bytes from offset on, count of them at the most; none from a missing file.
std::vector<uint8_t> FileBytes(const std::string& path, long offset = 0, size_t count = 1 << 20);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
