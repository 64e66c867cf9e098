// The simulated device behind the three library calls.
#include "simulated_device.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../device/memory_protocol.h"
#include "../device/tavrikx.h"

namespace {

const uint32_t OpenMagic = 0x534B5654;  // "TVKS"

// What the caller's record holds while a connection is open.
struct Connection {
  uint32_t Magic;
  uint32_t Exchanges;
};
static_assert(sizeof(Connection) <= sizeof(HidDeviceHandle),
              "connection must fit the caller's record");

// The orders of the last open.
struct Orders {
  long FailAt, DelayMs, Result, DiscardWrites;
};

Orders Ordered;
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

// The memory file named by the environment, created as 64 KiB of zeros the first time; null when no
// file is named (no simulation) or it cannot be opened.
FILE* OpenMemoryFile() {
  char path[1024];
  if (!ReadSimulatorSetting("TAVRIKX_SIM_MEMORY", path, sizeof path)) return 0;
  FILE* file = fopen(path, "r+b");
  if (file) return file;
  file = fopen(path, "w+b");
  if (!file) return 0;
  static const unsigned char zeros[4096] = {};
  bool created = true;
  for (size_t done = 0; done < SimulatedMemorySize; done += sizeof zeros)
    created = created && fwrite(zeros, 1, sizeof zeros, file) == sizeof zeros;
  if (fflush(file) == 0 && created) return file;
  fclose(file);
  return 0;
}

uint8_t ReadCell(int address) {
  int value = fseek(MemoryFile, address, SEEK_SET) == 0 ? fgetc(MemoryFile) : EOF;
  return value == EOF ? 0 : static_cast<uint8_t>(value);
}

void WriteCell(int address, uint8_t value) {
  if (fseek(MemoryFile, address, SEEK_SET) == 0) {
    fputc(value, MemoryFile);
    fflush(MemoryFile);
  }
}

}  // namespace

extern "C" int TAVRIKX_CALL OpenHidDevice(int vendorId, int productId, int interfaceId,
                                          HidDeviceHandle* device) {
  if (!ReadSimulatorSetting("TAVRIKX_SIM_LOG", LogPath, sizeof LogPath)) LogPath[0] = 0;
  Connection* connection = reinterpret_cast<Connection*>(device);
  memset(device, 0, sizeof *device);
  bool attached = vendorId == TavrikVendorId && productId == TavrikProductId &&
                  interfaceId == TavrikInterfaceId && SettingNumber("TAVRIKX_SIM_ABSENT") == 0;
  if (attached && !MemoryFile) MemoryFile = OpenMemoryFile();
  if (!attached || !MemoryFile) {
    Log("open %d %d %d = %d", vendorId, productId, interfaceId, SimulatorOpenFailed);
    return SimulatorOpenFailed;
  }
  Ordered = {SettingNumber("TAVRIKX_SIM_FAIL_AT"), SettingNumber("TAVRIKX_SIM_DELAY_MS"),
             SettingNumber("TAVRIKX_SIM_RESULT"), SettingNumber("TAVRIKX_SIM_DISCARD_WRITES")};
  connection->Magic = OpenMagic;
  ++ConnectionsOpen;
  Log("open %d %d %d = 0%s", vendorId, productId, interfaceId,
      ConnectionsOpen > 1 ? " overlap" : "");
  return 0;
}

extern "C" int TAVRIKX_CALL WriteHidDevice(HidDeviceHandle* device,
                                           const unsigned char* outputReport,
                                           unsigned char* inputReport) {
  Connection* connection = reinterpret_cast<Connection*>(device);
  int result = static_cast<int>(Ordered.Result);
  char out[3 * HidReportSize + 1], in[3 * HidReportSize + 1];  // the reports as hexadecimal bytes
  FormatReport(out, outputReport);
  if (connection->Magic != OpenMagic) {
    Log("%s unanswered, not open, result %d", out, result);
    return result;
  }
  ++connection->Exchanges;
  if (Ordered.DelayMs) SleepMilliseconds(static_cast<int>(Ordered.DelayMs));
  if (Ordered.FailAt && connection->Exchanges >= static_cast<uint32_t>(Ordered.FailAt)) {
    Log("%s unanswered, result %d", out, result);
    return result;
  }
  unsigned char answer[HidReportSize];
  memcpy(answer, outputReport, sizeof answer);
  int address = outputReport[2] * 256 + outputReport[3];
  // Another report id carries no command: it is answered with its own bytes.
  uint8_t command = outputReport[0] == ReportId ? outputReport[1] : 0;
  if (command == WriteByteCommand && !Ordered.DiscardWrites) WriteCell(address, outputReport[4]);
  if (command == ReadByteCommand) answer[4] = ReadCell(address);
  memcpy(inputReport, answer, sizeof answer);
  FormatReport(in, answer);
  Log("%s answered %s, result %d", out, in, result);
  return result;
}

extern "C" void TAVRIKX_CALL CloseHidDevice(HidDeviceHandle* device) {
  Connection* connection = reinterpret_cast<Connection*>(device);
  if (connection->Magic != OpenMagic) {
    Log("close none");
    return;
  }
  Log("close");
  memset(device, 0, sizeof *device);
  if (--ConnectionsOpen == 0 && MemoryFile) {
    fclose(MemoryFile);
    MemoryFile = 0;
  }
}
