// Collect, apply and reset: the only routines that read or write SettingsState.
#include "settings_controls.h"

HWND ListTable[SettingCount];
SettingCodes SettingsState;

static void SelectCodesInLists() {
  for (int i = 0; i < SettingCount; ++i)
    SendMessageA(ListTable[i], CB_SETCURSEL, GetSettingCode(SettingsState, i), 0);
}

bool CollectSettingsFromControls(ConfigBlock& block) {
  for (int i = 0; i < SettingCount; ++i)
    SetSettingCode(SettingsState, i,
                   static_cast<uint8_t>(SendMessageA(ListTable[i], CB_GETCURSEL, 0, 0)));
  BuildConfigBlock(SettingsState, block);
  return true;
}

bool ApplySettingsToControls(const ConfigBlock& block) {
  if (!IsConfigBlockValid(block)) return false;
  SettingsState = SettingsFromBlock(block);
  SelectCodesInLists();
  return true;
}

void ResetSettingsToDefaults() {
  SettingsState = DefaultSettings();
  SelectCodesInLists();
}
