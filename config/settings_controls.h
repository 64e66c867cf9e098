// Moving the setting codes between the six drop-down lists, SettingsState and a configuration
// block.
#pragma once
#include <windows.h>

#include "config_block.h"

// The six lists in list order (BaudRateSetting .. HandshakeSetting); null until start-up creates
// them.
extern HWND ListTable[SettingCount];
// The codes of the last reset, apply or collect.
extern SettingCodes SettingsState;

// Reads the lists' selections into SettingsState and the whole of the block; always true.
bool CollectSettingsFromControls(ConfigBlock& block);
// Selects the block's codes in the lists. An invalid block is refused (false) and changes nothing.
bool ApplySettingsToControls(const ConfigBlock& block);
void ResetSettingsToDefaults();
