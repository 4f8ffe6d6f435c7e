// The shell's plain parts: the menu 功能菜单 at start, item 1's text rule, the tray event codes and tip
// field, and finding the 16x16 image in an icon file (our own and damaged ones).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "app/icon_file.h"
#include "app/menu_model.h"
#include "app/tray_codes.h"

namespace app {
namespace {

TEST(MenuModel, SevenItemsWithTheirTextsStatesAndCommandsAtStart) {
  struct Expected {
    const char* text;
    bool disabled;
    int command;
  };
  const Expected expected[] = {
      {"显示窗口", false, kToggleWindowCommand},  {"开始监视", false, kStartMonitoringCommand},
      {"停止监视", true, kStopMonitoringCommand}, {"自动监视", false, kAutoMonitorCommand},
      {"开机启动", false, kStartAtBootCommand},   {"清空配置", false, kClearConfigurationCommand},
      {"退出程序", false, kExitCommand},
  };
  const 功能菜单 menu;
  EXPECT_EQ(menu.text, "功能菜单");
  const auto items = menu.Items();
  ASSERT_EQ(items.size(), 7u);
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(items[i]->text, expected[i].text);
    EXPECT_FALSE(items[i]->checked);
    EXPECT_EQ(items[i]->disabled, expected[i].disabled);
    EXPECT_EQ(items[i]->command, expected[i].command);
  }
  // The texts are code page 936 bytes at run time: "显示窗口" is CF CF CA BE B4 B0 BF DA.
  EXPECT_EQ(menu.windowItem.text, std::string("\xCF\xD4\xCA\xBE\xB4\xB0\xBF\xDA"));
}

TEST(MenuModel, WindowItemNamesWhatTheNextChoiceDoes) {
  EXPECT_STREQ(WindowItemTextAfter(true), "隐藏窗口");
  EXPECT_STREQ(WindowItemTextAfter(false), "显示窗口");
}

struct TrayCase {
  unsigned mouseMessage;
  std::optional<TrayEventCode> code;
};
class TrayCodes : public ::testing::TestWithParam<TrayCase> {};
TEST_P(TrayCodes, MouseMessageGivesCode) {
  EXPECT_EQ(TrayEventCodeFor(GetParam().mouseMessage), GetParam().code);
}
INSTANTIATE_TEST_SUITE_P(Table, TrayCodes,
                         ::testing::Values(TrayCase{0x0202, kTrayLeftClick},
                                           TrayCase{0x0203, kTrayDoubleClick},
                                           TrayCase{0x0205, kTrayMenuRequest},
                                           TrayCase{0x007B, kTrayMenuRequest}, TrayCase{0x0200, std::nullopt},
                                           TrayCase{0x0201, std::nullopt}, TrayCase{0x0204, std::nullopt},
                                           TrayCase{0x0206, std::nullopt}, TrayCase{0x0000, std::nullopt}));

TEST(TrayTip, CutToSixtyTwoBytes) {
  EXPECT_EQ(TrayTipText("Quillet"), "Quillet");
  EXPECT_EQ(TrayTipText(""), "");
  EXPECT_EQ(TrayTipText(std::string(62, 'a')), std::string(62, 'a'));
  EXPECT_EQ(TrayTipText(std::string(63, 'a') + "bcd"), std::string(62, 'a'));
  EXPECT_EQ(TrayTipText(std::string(200, 'x')).size(), 62u);
  EXPECT_EQ(TrayTipText(std::string("ab\0cd", 5)), "ab");
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(IconFile, OurIconHasA16And32Image) {
  const std::string ico = ReadFile(std::string(QUILLET_SOURCE_DIR) + "/res/quillet.ico");
  ASSERT_FALSE(ico.empty());
  for (int size : {16, 32}) {
    const auto image = FindIconImage(ico, size);
    ASSERT_TRUE(image) << size;
    EXPECT_EQ(image->width, size);
    EXPECT_EQ(image->height, size);
    // A 32-bit DIB: BITMAPINFOHEADER (40 bytes) with the doubled height, then colours and mask.
    ASSERT_GE(image->bytes.size(), 40u);
    EXPECT_EQ(static_cast<unsigned char>(image->bytes[0]), 40);
    EXPECT_EQ(static_cast<unsigned char>(image->bytes[4]), size);
    EXPECT_EQ(static_cast<unsigned char>(image->bytes[8]), 2 * size);
    EXPECT_EQ(image->bytes.size(), 40u + size * size * 4 + size * ((size + 31) / 32 * 4));
  }
}

TEST(IconFile, ClosestSizeWhenNoExactOne) {
  const std::string ico = ReadFile(std::string(QUILLET_SOURCE_DIR) + "/res/quillet.ico");
  EXPECT_EQ(FindIconImage(ico, 24)->width, 16);
  EXPECT_EQ(FindIconImage(ico, 48)->width, 32);
}

TEST(IconFile, DamagedFilesGiveNoImage) {
  const std::string ico = ReadFile(std::string(QUILLET_SOURCE_DIR) + "/res/quillet.ico");
  std::string wrongType = ico;
  wrongType[2] = 2;  // a cursor file
  std::string noEntries = ico;
  noEntries[4] = 0;
  std::string pastEnd = ico;
  pastEnd[6 + 12] = static_cast<char>(0xF0);  // first image's offset far beyond the data
  pastEnd[6 + 15] = 0x7F;
  const std::string cases[] = {
      "",      "\0\0\1",          std::string("\0\0\1\0\2\0", 6), wrongType,           noEntries,
      pastEnd, ico.substr(0, 30), ico.substr(0, ico.size() - 1),  "not an icon at all"};
  for (const std::string& data : cases) {
    EXPECT_FALSE(FindIconImage(data, 16)) << data.size();
  }
}

}  // namespace
}  // namespace app
