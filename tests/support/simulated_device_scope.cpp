// Environment, files and log parsing behind SimulatedDeviceScope.
#include <gtest/gtest.h>

#include "simulated_device_scope.h"

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
static void SetSetting(const char* name, const std::string& value) {
  SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}
static int ProcessId() { return static_cast<int>(GetCurrentProcessId()); }
#else
#include <unistd.h>
static void SetSetting(const char* name, const std::string& value) {
  if (value.empty())
    unsetenv(name);
  else
    setenv(name, value.c_str(), 1);
}
static int ProcessId() { return static_cast<int>(getpid()); }
#endif

namespace fs = std::filesystem;

SimulatedDeviceScope::SimulatedDeviceScope() {
  static int made;
  fs::path folder = fs::temp_directory_path() /
                    ("tavrik-test-" + std::to_string(ProcessId()) + "-" + std::to_string(++made));
  fs::remove_all(folder);
  fs::create_directories(folder);
  folder_ = folder.string();
  memoryPath_ = (folder / "device.mem").string();
  logPath_ = (folder / "device.log").string();
  SetSetting("TAVRIKX_SIM_MEMORY", memoryPath_);
  SetSetting("TAVRIKX_SIM_LOG", logPath_);
  SetAbsent(false);
  SetFailAt(0);
  SetDelayMs(0);
}

SimulatedDeviceScope::~SimulatedDeviceScope() {
  for (const char* name : {"TAVRIKX_SIM_MEMORY", "TAVRIKX_SIM_LOG", "TAVRIKX_SIM_ABSENT", "TAVRIKX_SIM_FAIL_AT",
                           "TAVRIKX_SIM_DELAY_MS"})
    SetSetting(name, "");
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void SimulatedDeviceScope::SetAbsent(bool absent) { SetSetting("TAVRIKX_SIM_ABSENT", absent ? "1" : ""); }
void SimulatedDeviceScope::SetFailAt(int exchange) {
  SetSetting("TAVRIKX_SIM_FAIL_AT", exchange ? std::to_string(exchange) : "");
}
void SimulatedDeviceScope::SetDelayMs(int ms) { SetSetting("TAVRIKX_SIM_DELAY_MS", ms ? std::to_string(ms) : ""); }

std::vector<DeviceLogEntry> SimulatedDeviceScope::Log() const {
  std::vector<DeviceLogEntry> entries;
  std::ifstream file(logPath_, std::ios::binary);
  std::string line;
  while (std::getline(file, line)) {
    DeviceLogEntry entry;
    entry.Line = line;
    std::istringstream words(line);
    std::string word;
    words >> entry.Kind;
    if (entry.Kind == "open") {
      int id;
      words >> id >> id >> id >> word >> entry.Result;
      if (words >> word) words >> entry.Connection;
      entry.Overlap = line.find(" overlap") != std::string::npos;
    } else if (entry.Kind == "xchg") {
      words >> word >> entry.Connection >> word;
      for (int i = 0; i < 8; ++i) {
        unsigned value;
        words >> std::hex >> value;
        entry.Out.push_back(static_cast<uint8_t>(value));
      }
      words >> std::dec >> word >> entry.Result;
    } else if (entry.Kind == "close") {
      words >> word;
      entry.Connection = word == "none" ? word : (words >> word, word);
    }
    entries.push_back(entry);
  }
  return entries;
}

std::vector<DeviceLogEntry> SimulatedDeviceScope::Exchanges() const {
  std::vector<DeviceLogEntry> exchanges;
  for (const DeviceLogEntry& entry : Log())
    if (entry.Kind == "xchg") exchanges.push_back(entry);
  return exchanges;
}

void SimulatedDeviceScope::ClearLog() const { std::ofstream(logPath_, std::ios::binary | std::ios::trunc); }

std::vector<uint8_t> SimulatedDeviceScope::Memory() const {
  std::vector<uint8_t> cells(65536, 0);
  std::ifstream file(memoryPath_, std::ios::binary);
  file.read(reinterpret_cast<char*>(cells.data()), static_cast<std::streamsize>(cells.size()));
  return cells;
}

void SimulatedDeviceScope::SetMemory(int address, const std::vector<uint8_t>& bytes) const {
  std::vector<uint8_t> cells = Memory();
  std::copy(bytes.begin(), bytes.end(), cells.begin() + address);
  std::ofstream file(memoryPath_, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(cells.data()), static_cast<std::streamsize>(cells.size()));
}

::testing::AssertionResult ConnectionsBalanced(const std::vector<DeviceLogEntry>& log) {
  std::string open;
  for (const DeviceLogEntry& entry : log) {
    if (entry.Kind == "open" && entry.Result == 0) {
      if (!open.empty() || entry.Overlap) return ::testing::AssertionFailure() << "nested open: " << entry.Line;
      open = entry.Connection;
    } else if (entry.Kind == "close" && entry.Connection != "none") {
      if (entry.Connection != open) return ::testing::AssertionFailure() << "close without open: " << entry.Line;
      open.clear();
    }
  }
  if (!open.empty()) return ::testing::AssertionFailure() << "connection " << open << " never closed";
  return ::testing::AssertionSuccess();
}

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string text;
  char cell[4];
  for (uint8_t byte : bytes) {
    snprintf(cell, sizeof cell, text.empty() ? "%02X" : " %02X", byte);
    text += cell;
  }
  return text;
}
