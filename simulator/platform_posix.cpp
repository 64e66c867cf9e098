// The simulator's side on the host, for the window-free tests: settings from the environment.
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "simulated_device.h"

bool ReadSimulatorSetting(const char* name, char* value, size_t size) {
  const char* text = getenv(name);
  if (!text || !text[0] || strlen(text) >= size) return false;
  strcpy(value, text);
  return true;
}

void SleepMilliseconds(int ms) {
  timespec delay = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&delay, 0);
}
