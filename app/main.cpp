// Entry point of the TAVRIK-9 Configuration Utility; the command line is not used.
#include <windows.h>

#include "startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int showCommand) {
  return RunUtility(instance, previousInstance, showCommand);
}
