// Test control of the simulated TAVRIKX device: a fresh memory file and log per test, faults on
// request, and the log read back as parsed entries.
#pragma once
#include <gtest/gtest.h>
#include <stdint.h>

#include <string>
#include <vector>

struct DeviceLogEntry {
  std::string Kind;          // "open", "xchg" or "close"
  std::string Connection;    // connection number, or "none"
  std::vector<uint8_t> Out;  // exchanges: the output report
  int Result = 0;            // opens and exchanges: the library's result
  bool Overlap = false;      // an open while another connection was open
  std::string Line;
};

class SimulatedDeviceScope {
 public:
  SimulatedDeviceScope();
  ~SimulatedDeviceScope();
  SimulatedDeviceScope(const SimulatedDeviceScope&) = delete;
  SimulatedDeviceScope& operator=(const SimulatedDeviceScope&) = delete;

  void SetAbsent(bool absent);
  void SetFailAt(int exchange);  // 0: never
  void SetDelayMs(int ms);

  std::vector<DeviceLogEntry> Log() const;
  std::vector<DeviceLogEntry> Exchanges() const;
  void ClearLog() const;
  // Device cells as stored in the memory file (0 for a cell never written).
  std::vector<uint8_t> Memory() const;
  void SetMemory(int address, const std::vector<uint8_t>& bytes) const;

  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_, memoryPath_, logPath_;
};

// Every successful open has its close, and no connection was opened while another was open.
::testing::AssertionResult ConnectionsBalanced(const std::vector<DeviceLogEntry>& log);

std::string HexBytes(const std::vector<uint8_t>& bytes);
