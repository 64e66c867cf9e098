// libFuzzer target: any file content through the configuration-file reading. Either the block is
// the file's first 512 bytes with zeros after and every code names an item, or the file is refused
// (short, or a code out of range by a second reading of the layout) and the block left as it was.
// An accepted block's codes, built into a block again, stand at their offsets with the marker.
#include <string.h>

#include "config_block.h"

static void Require(bool condition) {
  if (!condition) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const struct {
    size_t Offset;
    uint8_t Items;
  } codes[] = {{16, 3}, {17, 6}, {18, 3}, {19, 2}, {20, 2}, {21, 2}};
  bool inRange = size >= 22;
  for (const auto& code : codes) inRange = inRange && data[code.Offset] < code.Items;
  ConfigBlock block;
  memset(block.Bytes, 0xEE, sizeof block.Bytes);
  bool accepted = ConfigBlockFromFileBytes(data, size, block);
  Require(accepted == inRange);
  for (size_t i = 0; i < ConfigBlockSize; ++i)
    Require(block.Bytes[i] == (!accepted ? 0xEE : i < size ? data[i] : 0));
  ConfigBlock rebuilt = block;
  BuildConfigBlock(SettingsFromBlock(block), rebuilt);
  for (size_t i = 0; i < ConfigBlockSize && accepted; ++i)
    Require(rebuilt.Bytes[i] == (i >= 16 && i <= 21 ? block.Bytes[i] : i == 505 ? 0x4C : 0));
  return 0;
}
