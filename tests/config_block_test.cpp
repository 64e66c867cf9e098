// Code tables, block layout and the validity test.
#include <gtest/gtest.h>
#include <string.h>

#include "config_block.h"

namespace {

ConfigBlock Filled(uint8_t value) {
  ConfigBlock block;
  memset(block.Bytes, value, sizeof block.Bytes);
  return block;
}

TEST(CodeTables, ItemTextsInListOrder) {
  const char* expected[SettingCount][7] = {
      {"Baud Rate", "2400", "4800", "9600", "14400", "19200", "38400"},
      {"Number of Bits", "7", "8"},
      {"Stop Bits", "1", "2"},
      {"Mode", "ASCII", "Ext ASCII", "Key Number"},
      {"Parity", "None", "Odd", "Even"},
      {"HandShaking", "None", "RTS/CTS"},
  };
  const uint8_t counts[SettingCount] = {6, 2, 2, 3, 3, 2};
  for (int s = 0; s < SettingCount; ++s) {
    EXPECT_STREQ(expected[s][0], SettingLists[s].Label);
    ASSERT_EQ(counts[s], SettingLists[s].ItemCount) << SettingLists[s].Label;
    for (int i = 0; i < counts[s]; ++i) EXPECT_STREQ(expected[s][i + 1], SettingLists[s].Items[i]);
  }
}

TEST(ConfigBlockLayout, DefaultsGiveTheDocumentedBlock) {
  ConfigBlock block = Filled(0xCC);
  BuildConfigBlock(DefaultSettings(), block);
  const uint8_t codes[] = {0x00, 0x02, 0x00, 0x00, 0x00, 0x01};
  for (size_t i = 0; i < ConfigBlockSize; ++i) {
    uint8_t expected = i >= 16 && i <= 21 ? codes[i - 16] : i == 505 ? 0x4C : 0;
    ASSERT_EQ(expected, block.Bytes[i]) << "offset " << i;
  }
}

TEST(ConfigBlockLayout, EachSettingHasItsOwnOffset) {
  SettingCodes codes = {};
  codes.Mode = 0x10, codes.BaudRate = 0x11, codes.Parity = 0x12;
  codes.StopBits = 0x13, codes.Handshake = 0x14, codes.DataBits = 0x15;
  ConfigBlock block;
  BuildConfigBlock(codes, block);
  for (int offset = 16; offset <= 21; ++offset) EXPECT_EQ(offset, block.Bytes[offset]) << offset;
  SettingCodes back = SettingsFromBlock(block);
  EXPECT_EQ(0, memcmp(&codes, &back, sizeof codes));
}

TEST(ConfigBlockLayout, ReadingLooksAtOffsets16To21Only) {
  ConfigBlock zeros = Filled(0), noisy = Filled(0xFF);
  memset(noisy.Bytes + 16, 0, 6);
  SettingCodes a = SettingsFromBlock(zeros), b = SettingsFromBlock(noisy);
  EXPECT_EQ(0, memcmp(&a, &b, sizeof a));
  EXPECT_TRUE(IsConfigBlockValid(noisy)) << "bytes outside 16..21, the marker included, are not tested";
}

TEST(Validity, EveryCodeMustNameAnItemOfItsList) {
  struct Case {
    size_t offset;
    uint8_t lastGood;
  } cases[] = {{17, 5}, {21, 1}, {19, 1}, {16, 2}, {18, 2}, {20, 1}};
  for (const Case& c : cases) {
    ConfigBlock block = Filled(0);
    block.Bytes[c.offset] = c.lastGood;
    EXPECT_TRUE(IsConfigBlockValid(block)) << "offset " << c.offset << " code " << int(c.lastGood);
    for (int bad : {c.lastGood + 1, 0x7F, 0x80, 0xFF}) {
      block.Bytes[c.offset] = static_cast<uint8_t>(bad);
      EXPECT_FALSE(IsConfigBlockValid(block)) << "offset " << c.offset << " code " << bad;
    }
  }
}

TEST(Validity, EveryCombinationOfListItemsPasses) {
  int combinations = 0;
  SettingCodes codes = {};
  for (codes.BaudRate = 0; codes.BaudRate < 6; ++codes.BaudRate)
    for (codes.DataBits = 0; codes.DataBits < 2; ++codes.DataBits)
      for (codes.StopBits = 0; codes.StopBits < 2; ++codes.StopBits)
        for (codes.Mode = 0; codes.Mode < 3; ++codes.Mode)
          for (codes.Parity = 0; codes.Parity < 3; ++codes.Parity)
            for (codes.Handshake = 0; codes.Handshake < 2; ++codes.Handshake) {
              ConfigBlock block;
              BuildConfigBlock(codes, block);
              block.Bytes[MarkerOffset] = 0;  // as read from the device
              ASSERT_TRUE(IsConfigBlockValid(block));
              ++combinations;
            }
  EXPECT_EQ(6 * 2 * 2 * 3 * 3 * 2, combinations);
}

}  // namespace
