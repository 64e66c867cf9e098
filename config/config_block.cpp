// Code tables, defaults and the layout of the configuration block.
#include "config_block.h"

#include <string.h>

namespace {
const char* const BaudRateItems[] = {"2400", "4800", "9600", "14400", "19200", "38400"};
const char* const DataBitsItems[] = {"7", "8"};
const char* const StopBitsItems[] = {"1", "2"};
const char* const ModeItems[] = {"ASCII", "Ext ASCII", "Key Number"};
const char* const ParityItems[] = {"None", "Odd", "Even"};
const char* const HandshakeItems[] = {"None", "RTS/CTS"};
}  // namespace

#define ITEMS(table) table, sizeof(table) / sizeof(table[0])
const SettingList SettingLists[SettingCount] = {
    {"Baud Rate", ITEMS(BaudRateItems), 2, BaudRateOffset},
    {"Number of Bits", ITEMS(DataBitsItems), 1, DataBitsOffset},
    {"Stop Bits", ITEMS(StopBitsItems), 0, StopBitsOffset},
    {"Mode", ITEMS(ModeItems), 0, ModeOffset},
    {"Parity", ITEMS(ParityItems), 0, ParityOffset},
    {"HandShaking", ITEMS(HandshakeItems), 0, HandshakeOffset},
};
#undef ITEMS

static uint8_t SettingCodes::*const SettingFields[SettingCount] = {
    &SettingCodes::BaudRate, &SettingCodes::DataBits, &SettingCodes::StopBits,
    &SettingCodes::Mode,     &SettingCodes::Parity,   &SettingCodes::Handshake,
};

uint8_t GetSettingCode(const SettingCodes& settings, int setting) {
  return settings.*SettingFields[setting];
}

void SetSettingCode(SettingCodes& settings, int setting, uint8_t code) {
  settings.*SettingFields[setting] = code;
}

SettingCodes DefaultSettings() {
  SettingCodes settings;
  for (int i = 0; i < SettingCount; ++i) SetSettingCode(settings, i, SettingLists[i].DefaultCode);
  return settings;
}

void BuildConfigBlock(const SettingCodes& settings, ConfigBlock& block) {
  memset(block.Bytes, 0, sizeof block.Bytes);
  for (int i = 0; i < SettingCount; ++i)
    block.Bytes[SettingLists[i].BlockOffset] = GetSettingCode(settings, i);
  block.Bytes[MarkerOffset] = MarkerValue;
}

SettingCodes SettingsFromBlock(const ConfigBlock& block) {
  SettingCodes settings;
  for (int i = 0; i < SettingCount; ++i)
    SetSettingCode(settings, i, block.Bytes[SettingLists[i].BlockOffset]);
  return settings;
}

bool IsConfigBlockValid(const ConfigBlock& block) {
  for (int i = 0; i < SettingCount; ++i)
    if (block.Bytes[SettingLists[i].BlockOffset] >= SettingLists[i].ItemCount) return false;
  return true;
}

bool ConfigBlockFromFileBytes(const uint8_t* bytes, size_t size, ConfigBlock& block) {
  if (size < MinimumConfigFileSize) return false;
  ConfigBlock read = {};
  memcpy(read.Bytes, bytes, size < ConfigBlockSize ? size : ConfigBlockSize);
  if (!IsConfigBlockValid(read)) return false;
  block = read;
  return true;
}
