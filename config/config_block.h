// The six setting codes, their lists' item texts and defaults, and the 512-byte configuration
// block. Window-free: the conversions to and from the drop-down lists live in settings_controls.h.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Positions of the six lists in ListTable: the order in which they are created, filled and walked.
enum SettingIndex {
  BaudRateSetting,
  DataBitsSetting,
  StopBitsSetting,
  ModeSetting,
  ParitySetting,
  HandshakeSetting,
  SettingCount
};

// One byte per setting: the zero-based index of the chosen item in its list; 0xFF for a list with
// no selection.
struct SettingCodes {
  uint8_t BaudRate, DataBits, StopBits, Mode, Parity, Handshake;
};

const size_t ConfigBlockSize = 512;
const size_t DeviceConfigSize = 32;  // bytes 0..31 are the device's configuration memory
const size_t ModeOffset = 16, BaudRateOffset = 17, ParityOffset = 18, StopBitsOffset = 19,
             HandshakeOffset = 20, DataBitsOffset = 21, MarkerOffset = 505;
const uint8_t MarkerValue = 0x4C;  // 'L'
// A configuration file shorter than this cannot supply all six codes.
const size_t MinimumConfigFileSize = DataBitsOffset + 1;

struct ConfigBlock {
  uint8_t Bytes[ConfigBlockSize];
};

// A setting's list: its label, item texts (index = code) and default code.
struct SettingList {
  const char* Label;
  const char* const* Items;
  uint8_t ItemCount;
  uint8_t DefaultCode;
  size_t BlockOffset;
};

// The six settings in list order.
extern const SettingList SettingLists[SettingCount];

SettingCodes DefaultSettings();
uint8_t GetSettingCode(const SettingCodes& settings, int setting);
void SetSettingCode(SettingCodes& settings, int setting, uint8_t code);

// Overwrites all 512 bytes: the codes at 16..21, the marker at 505, 0 elsewhere.
void BuildConfigBlock(const SettingCodes& settings, ConfigBlock& block);
// Reads offsets 16..21 only.
SettingCodes SettingsFromBlock(const ConfigBlock& block);
// True when each of the six codes names an item of its list. Nothing outside 16..21 is looked at,
// so a block read from the device (0 at the marker) passes when its codes do.
bool IsConfigBlockValid(const ConfigBlock& block);

// A configuration file's content as a block: its first 512 bytes, the rest 0. False, with the block
// untouched, when the file is too short to hold all six codes or a code names no item.
bool ConfigBlockFromFileBytes(const uint8_t* bytes, size_t size, ConfigBlock& block);
