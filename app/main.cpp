// Entry point of the TAVRIK-9 Configuration Utility.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int showCommand) {
  (void)instance, (void)previousInstance, (void)showCommand;
  return 0;
}
