// libFuzzer target: a configuration file's bytes through the 512-byte read, the validity test and the codes.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "config_block.h"

namespace {

const size_t MaximumInputSize = 4096;

// The six codes' places and list lengths, written out again here so that the rule is checked against
// a second reading of the layout and not against the tables under test.
struct CodeRule {
  size_t Offset;
  uint8_t ItemCount;
};
const CodeRule CodeRules[SettingCount] = {
    {17, 6},  // baud rate
    {21, 2},  // data bits
    {19, 2},  // stop bits
    {16, 3},  // mode
    {18, 3},  // parity
    {20, 2},  // handshaking
};

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// A pattern no read can produce by chance from zero padding, so any write into the block shows.
uint8_t SentinelByte(size_t i) { return static_cast<uint8_t>(0xA5 ^ (i * 37)); }

void FillSentinel(ConfigBlock& block) {
  for (size_t i = 0; i < ConfigBlockSize; ++i) block.Bytes[i] = SentinelByte(i);
}

bool HoldsSentinel(const ConfigBlock& block) {
  for (size_t i = 0; i < ConfigBlockSize; ++i)
    if (block.Bytes[i] != SentinelByte(i)) return false;
  return true;
}

bool ExpectAccepted(const uint8_t* data, size_t size) {
  if (size < 22) return false;
  for (const CodeRule& rule : CodeRules)
    if (data[rule.Offset] >= rule.ItemCount) return false;
  return true;
}

// An applied block: each code names an item, the codes land in the right fields, and rebuilding the
// block from them gives back the codes with the marker and nothing else.
void CheckApplied(const ConfigBlock& block) {
  Require(IsConfigBlockValid(block));
  SettingCodes settings = SettingsFromBlock(block);
  for (int i = 0; i < SettingCount; ++i) {
    Require(GetSettingCode(settings, i) < SettingLists[i].ItemCount);
    Require(GetSettingCode(settings, i) == block.Bytes[CodeRules[i].Offset]);
  }
  Require(settings.Mode == block.Bytes[16] && settings.BaudRate == block.Bytes[17] &&
          settings.Parity == block.Bytes[18] && settings.StopBits == block.Bytes[19] &&
          settings.Handshake == block.Bytes[20] && settings.DataBits == block.Bytes[21]);

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > MaximumInputSize) return 0;

  ConfigBlock block;
  FillSentinel(block);
  bool applied = ConfigBlockFromFileBytes(data, size, block);
  Require(applied == ExpectAccepted(data, size));

  if (!applied) {
    Require(HoldsSentinel(block));
    return 0;
  }

  size_t used = size < 512 ? size : 512;
  Require(memcmp(block.Bytes, data, used) == 0);
  for (size_t i = used; i < ConfigBlockSize; ++i) Require(block.Bytes[i] == 0);
  CheckApplied(block);
  return 0;
}
