// A fresh simulated device for each test: its memory and log in files of its own, its orders given
// through the environment that the stand-in TAVRIKX library reads at every open. And the tests'
// file helpers.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

struct SimulatedDevice {
  SimulatedDevice();
  ~SimulatedDevice();
  // "NAME=value" sets TAVRIKX_SIM_NAME; "NAME=" takes the order back.
  void Order(const std::string& order);
  // One line per library call: "open 17203 6 6 = 0", "close", or an exchange's output report,
  // with " unanswered" when no answer came.
  std::vector<std::string> Log();
  std::string MemoryPath;
  std::string LogPath;
};

// A whole file; nothing for a missing one.
std::vector<uint8_t> FileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
