// Checks shared by the fuzz targets: an independent reading of the six codes' places and list
// lengths, sentinel-filled blocks, and what every applied block must satisfy.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "config_block.h"

// The codes' offsets and list lengths in list order, written out again here so that the rule is
// checked against a second reading of the layout and not against the tables under test.
struct CodeRule {
  size_t Offset;
  uint8_t ItemCount;
};
const CodeRule CodeRules[SettingCount] = {{17, 6}, {21, 2}, {19, 2}, {16, 3}, {18, 3}, {20, 2}};

inline void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// A pattern no read can produce by chance from zero padding, so any write into the block shows.
inline uint8_t SentinelByte(size_t i) { return static_cast<uint8_t>(0xA5 ^ (i * 37)); }

inline void FillSentinel(ConfigBlock& block) {
  for (size_t i = 0; i < ConfigBlockSize; ++i) block.Bytes[i] = SentinelByte(i);
}

inline bool HoldsSentinel(const ConfigBlock& block) {
  for (size_t i = 0; i < ConfigBlockSize; ++i)
    if (block.Bytes[i] != SentinelByte(i)) return false;
  return true;
}

// Every code at its offset names an item of its list.
inline bool CodesInRange(const uint8_t* bytes) {
  for (const CodeRule& rule : CodeRules)
    if (bytes[rule.Offset] >= rule.ItemCount) return false;
  return true;
}

// An applied block: each code names an item and lands in its field, and rebuilding the block from
// the codes gives back the codes with the marker and nothing else.
inline void CheckApplied(const ConfigBlock& block) {
  SettingCodes settings = SettingsFromBlock(block);
  for (int i = 0; i < SettingCount; ++i) {
    Require(GetSettingCode(settings, i) < SettingLists[i].ItemCount);
    Require(GetSettingCode(settings, i) == block.Bytes[CodeRules[i].Offset]);
  }
  ConfigBlock rebuilt;
  FillSentinel(rebuilt);
  BuildConfigBlock(settings, rebuilt);
  for (size_t i = 0; i < ConfigBlockSize; ++i) {
    uint8_t expected = 0;
    if (i >= 16 && i <= 21) expected = block.Bytes[i];
    if (i == 505) expected = 0x4C;
    Require(rebuilt.Bytes[i] == expected);
  }
}
