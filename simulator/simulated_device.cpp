// The simulated device behind the three library calls.
#include "simulated_device.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../device/tavrikx.h"

namespace {

const uint32_t OpenMagic = 0x534B5654;  // "TVKS"

struct Connection {
  uint32_t Magic;
  uint32_t Number;
  uint32_t Exchanges;
  uint32_t FailAt;   // 0: never
  uint32_t DelayMs;
};
static_assert(sizeof(Connection) <= sizeof(HidDeviceHandle), "connection must fit the caller's record");

uint32_t ConnectionsMade;
int ConnectionsOpen;
FILE* MemoryFile;
char LogPath[1024];

long SettingNumber(const char* name) {
  char text[32];
  return ReadSimulatorSetting(name, text, sizeof text) ? strtol(text, 0, 10) : 0;
}

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
  if (!LogPath[0]) return;
  FILE* log = fopen(LogPath, "ab");
  if (!log) return;
  va_list args;
  va_start(args, format);
  vfprintf(log, format, args);
  va_end(args);
  fputc('\n', log);
  fclose(log);
}

void FormatReport(char* text, const unsigned char* report) {
  for (int i = 0; i < HidReportSize; ++i) sprintf(text + 3 * i, "%02X ", report[i]);
  text[3 * HidReportSize - 1] = 0;
}

// Opens the memory file for this connection, creating 64 KiB of zeros the first time.
FILE* OpenMemoryFile() {
  char path[1024];
  if (!ReadSimulatorSetting("TAVRIKX_SIM_MEMORY", path, sizeof path) || !path[0]) DefaultMemoryPath(path, sizeof path);
  FILE* file = fopen(path, "r+b");
  if (!file) {
    file = fopen(path, "w+b");
    if (!file) return 0;
    static const unsigned char zeros[4096] = {};
    for (size_t done = 0; done < SimulatedMemorySize; done += sizeof zeros) fwrite(zeros, 1, sizeof zeros, file);
    fflush(file);
  }
  return file;
}

uint8_t ReadCell(int address) {
  int value = 0;
  if (MemoryFile && fseek(MemoryFile, address, SEEK_SET) == 0) value = fgetc(MemoryFile);
  return value == EOF ? 0 : static_cast<uint8_t>(value);
}

void WriteCell(int address, uint8_t value) {
  if (MemoryFile && fseek(MemoryFile, address, SEEK_SET) == 0) {
    fputc(value, MemoryFile);
    fflush(MemoryFile);
  }
}

}  // namespace

extern "C" int TAVRIKX_CALL OpenHidDevice(int vendorId, int productId, int interfaceId, HidDeviceHandle* device) {
  if (!ReadSimulatorSetting("TAVRIKX_SIM_LOG", LogPath, sizeof LogPath)) LogPath[0] = 0;
  Connection* connection = reinterpret_cast<Connection*>(device);
  memset(device, 0, sizeof *device);
  bool matches = vendorId == TavrikVendorId && productId == TavrikProductId && interfaceId == TavrikInterfaceId;
  if (!matches || SettingNumber("TAVRIKX_SIM_ABSENT") != 0) {
    Log("open %d %d %d = %d", vendorId, productId, interfaceId, SimulatorOpenFailed);
    return SimulatorOpenFailed;
  }
  if (!MemoryFile) MemoryFile = OpenMemoryFile();
  connection->Magic = OpenMagic;
  connection->Number = ++ConnectionsMade;
  connection->FailAt = static_cast<uint32_t>(SettingNumber("TAVRIKX_SIM_FAIL_AT"));
  connection->DelayMs = static_cast<uint32_t>(SettingNumber("TAVRIKX_SIM_DELAY_MS"));
  ++ConnectionsOpen;
  Log("open %d %d %d = 0 conn %u%s", vendorId, productId, interfaceId, connection->Number,
      ConnectionsOpen > 1 ? " overlap" : "");
  return 0;
}

extern "C" int TAVRIKX_CALL WriteHidDevice(HidDeviceHandle* device, const unsigned char* outputReport,
                                           unsigned char* inputReport) {
  Connection* connection = reinterpret_cast<Connection*>(device);
  char out[3 * HidReportSize + 1], in[3 * HidReportSize + 1];
  FormatReport(out, outputReport);
  if (connection->Magic != OpenMagic) {
    Log("xchg conn none out %s = %d", out, SimulatorExchangeFailed);
    return SimulatorExchangeFailed;
  }
  ++connection->Exchanges;
  if (connection->DelayMs) SleepMilliseconds(static_cast<int>(connection->DelayMs));
  if (connection->FailAt && connection->Exchanges >= connection->FailAt) {
    Log("xchg conn %u out %s = %d", connection->Number, out, SimulatorExchangeFailed);
    return SimulatorExchangeFailed;
  }
  unsigned char answer[HidReportSize];
  memcpy(answer, outputReport, sizeof answer);
  int address = outputReport[2] * 256 + outputReport[3];
  if (outputReport[0] == 2 && outputReport[1] == 0x81) WriteCell(address, outputReport[4]);
  if (outputReport[0] == 2 && outputReport[1] == 0x82) answer[4] = ReadCell(address);
  memcpy(inputReport, answer, sizeof answer);
  FormatReport(in, answer);
  Log("xchg conn %u out %s = 0 in %s", connection->Number, out, in);
  return 0;
}

extern "C" void TAVRIKX_CALL CloseHidDevice(HidDeviceHandle* device) {
  Connection* connection = reinterpret_cast<Connection*>(device);
  if (connection->Magic != OpenMagic) {
    Log("close none");
    return;
  }
  Log("close conn %u", connection->Number);
  memset(device, 0, sizeof *device);
  if (--ConnectionsOpen == 0 && MemoryFile) {
    fclose(MemoryFile);
    MemoryFile = 0;
  }
}
