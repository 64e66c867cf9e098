// libFuzzer target: a configuration file's bytes through the 512-byte read, the validity test and the codes.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "block_checks.h"

namespace {

const size_t MaximumInputSize = 4096;

// All six codes need a file of at least 22 bytes.
bool ExpectAccepted(const uint8_t* data, size_t size) { return size >= 22 && CodesInRange(data); }

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
  Require(IsConfigBlockValid(block));
  CheckApplied(block);
  return 0;
}
