// Test control of the simulated device, through the environment that TAVRIKX.dll (or, on the host,
// the linked-in device) reads at every open.
#include "simulated_device.h"

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <fstream>
#include <set>

using std::string;
using std::to_string;
using std::vector;

// Unbuffered, the output of a test program that dies still tells which test was running.
static const int UnbufferedOutput = setvbuf(stdout, nullptr, _IONBF, 0);

SimulatedDevice::SimulatedDevice() {
  static int made;
  ++made;
  // Windows names its temporary folder in TEMP; the host has none there. Named by the time, files
  // that a failed run left behind never meet a later run's.
  const char* temp = getenv("TEMP");
  string folder = temp ? temp + string("\\") : "/tmp/";
  string base = folder + "tavrik-" + to_string(time(nullptr)) + "-" + to_string(made);
  MemoryPath = base + ".mem";
  LogPath = base + ".log";
  for (const char* order : {"ABSENT=", "FAIL_AT=", "DELAY_MS=", "RESULT=", "DISCARD_WRITES="})
    Order(order);
  Order("MEMORY=" + MemoryPath);
  Order("LOG=" + LogPath);
}

SimulatedDevice::~SimulatedDevice() {
  remove(MemoryPath.c_str());
  remove(LogPath.c_str());
}

// An empty value takes the order back: the device reads an empty variable as none. The host's
// putenv keeps the string itself, so every order given stays here.
void SimulatedDevice::Order(const string& order) {
  static std::set<string> given;
  putenv(const_cast<char*>(given.insert("TAVRIKX_SIM_" + order).first->c_str()));
}

// "<report> answered <answer>, result N" and "<report> unanswered, result N" lose their tails.
vector<string> SimulatedDevice::Log() {
  vector<string> lines;
  std::ifstream log(LogPath);
  for (string line; std::getline(log, line);) {
    size_t end = std::min(line.find(" answered"), line.find(','));
    lines.push_back(line.substr(0, end));
  }
  return lines;
}

vector<uint8_t> FileBytes(const string& path) {
  std::ifstream file(path, std::ios::binary);
  return vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

void WriteFileBytes(const string& path, const vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
