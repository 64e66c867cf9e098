// Collect, apply and reset on six real drop-down lists.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include "settings_controls.h"

namespace {

class SettingsControls : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, 0, 0, 0, 0);
    ASSERT_TRUE(parent);
    for (int s = 0; s < SettingCount; ++s) {
      ListTable[s] = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                                     10 + 90 * s, 10, 80, 256, parent, 0, 0, 0);
      ASSERT_TRUE(ListTable[s]);
      for (int i = 0; i < SettingLists[s].ItemCount; ++i)
        SendMessageA(ListTable[s], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SettingLists[s].Items[i]));
    }
    memset(&SettingsState, 0, sizeof SettingsState);
  }
  void TearDown() override {
    DestroyWindow(parent);
    memset(ListTable, 0, sizeof ListTable);
  }

  static std::string Shown(int setting) {
    char text[32] = "";
    int index = static_cast<int>(SendMessageA(ListTable[setting], CB_GETCURSEL, 0, 0));
    if (index == CB_ERR) return "(none)";
    SendMessageA(ListTable[setting], CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
  }
  static std::string AllShown() {
    std::string all;
    for (int s = 0; s < SettingCount; ++s) all += (s ? "|" : "") + Shown(s);
    return all;
  }
  static std::string StateHex() {
    char text[32];
    snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X", SettingsState.BaudRate, SettingsState.DataBits,
             SettingsState.StopBits, SettingsState.Mode, SettingsState.Parity, SettingsState.Handshake);
    return text;
  }

  HWND parent = 0;
};

ConfigBlock BlockWithCodes(uint8_t mode, uint8_t baud, uint8_t parity, uint8_t stop, uint8_t hand, uint8_t bits) {
  ConfigBlock block = {};
  const uint8_t codes[] = {mode, baud, parity, stop, hand, bits};
  memcpy(block.Bytes + 16, codes, sizeof codes);
  return block;
}

TEST_F(SettingsControls, ResetShowsTheDefaultsAndCollectGivesTheirBlock) {
  ResetSettingsToDefaults();
  EXPECT_EQ("9600|8|1|ASCII|None|None", AllShown());
  ConfigBlock block;
  memset(block.Bytes, 0xCC, sizeof block.Bytes);
  ASSERT_TRUE(CollectSettingsFromControls(block));
  const uint8_t codes[] = {0x00, 0x02, 0x00, 0x00, 0x00, 0x01};
  for (size_t i = 0; i < ConfigBlockSize; ++i) {
    uint8_t expected = i >= 16 && i <= 21 ? codes[i - 16] : i == 505 ? 0x4C : 0;
    ASSERT_EQ(expected, block.Bytes[i]) << "offset " << i;
  }
}

TEST_F(SettingsControls, ApplySelectsEachCodeInItsOwnList) {
  ASSERT_TRUE(ApplySettingsToControls(BlockWithCodes(2, 5, 2, 1, 1, 0)));
  EXPECT_EQ("38400|7|2|Key Number|Even|RTS/CTS", AllShown());
  EXPECT_EQ("05 00 01 02 02 01", StateHex());
  ASSERT_TRUE(ApplySettingsToControls(ConfigBlock{}));
  EXPECT_EQ("2400|7|1|ASCII|None|None", AllShown());
}

TEST_F(SettingsControls, ApplyThenCollectGivesTheSameCodesAndACleanBlock) {
  ConfigBlock applied = BlockWithCodes(1, 3, 1, 0, 1, 1);  // as read from the device: 0 at the marker
  applied.Bytes[3] = 0x99;
  ASSERT_TRUE(ApplySettingsToControls(applied));
  ConfigBlock collected;
  ASSERT_TRUE(CollectSettingsFromControls(collected));
  EXPECT_EQ(0, memcmp(applied.Bytes + 16, collected.Bytes + 16, 6));
  EXPECT_EQ(0x4C, collected.Bytes[505]);
  EXPECT_EQ(0, collected.Bytes[3]);
}

TEST_F(SettingsControls, AnInvalidBlockIsRefusedAndChangesNothing) {
  ApplySettingsToControls(BlockWithCodes(1, 4, 2, 1, 0, 1));
  const std::string shown = AllShown(), state = StateHex();
  const size_t offsets[] = {16, 17, 18, 19, 20, 21};
  const uint8_t firstBad[] = {3, 6, 3, 2, 2, 2};
  for (int i = 0; i < 6; ++i)
    for (uint8_t bad : {firstBad[i], uint8_t(0xFF)}) {
      ConfigBlock block = BlockWithCodes(0, 0, 0, 0, 0, 0);
      block.Bytes[offsets[i]] = bad;
      EXPECT_FALSE(ApplySettingsToControls(block)) << "offset " << offsets[i] << " code " << int(bad);
      EXPECT_EQ(shown, AllShown());
      EXPECT_EQ(state, StateHex());
    }
}

TEST_F(SettingsControls, AListWithoutSelectionCollectsAs0xFF) {
  ResetSettingsToDefaults();
  SendMessageA(ListTable[BaudRateSetting], CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  ConfigBlock block;
  CollectSettingsFromControls(block);
  EXPECT_EQ(0xFF, block.Bytes[17]);
  EXPECT_EQ(0xFF, SettingsState.BaudRate);
  EXPECT_FALSE(IsConfigBlockValid(block));
}

TEST_F(SettingsControls, ChoosingAnItemChangesNoStateUntilCollected) {
  ResetSettingsToDefaults();
  SendMessageA(ListTable[ModeSetting], CB_SETCURSEL, 2, 0);
  EXPECT_EQ("02 01 00 00 00 00", StateHex());
  ConfigBlock block;
  CollectSettingsFromControls(block);
  EXPECT_EQ("02 01 00 02 00 00", StateHex());
}

}  // namespace
