// A fixture that builds the real main window in the test process, as start-up does, on a fresh
// simulated device, and takes it down again with every application-wide value reset.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "simulated_device_scope.h"

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The text of the item a list shows, or "(none)".
  static std::string Shown(HWND list);
  // The six lists' texts in list order, joined by '|'.
  static std::string AllShown();
  // Picks the next item of a list as the user would (a key), so the main window hears of it.
  static void PickNextItem(HWND list);
  // Shows the window in front, so that focus and input reach it.
  static void BringToFront();

  SimulatedDeviceScope device;
};

// Removes a WM_QUIT that the destruction of the main window posted to this thread.
bool TakeQuitMessage(WPARAM* code = nullptr);
