// SettingsStore against the real registry (under Wine): the switches key "HKEY_LOCAL_MACHINE\software\Tobrin"
// and the autostart value "Clipboard" of the Run key, both reset before and after every test. The check
// marks are real bools, as the menu model holds them; the start-monitoring command is a counter.
#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <ostream>
#include <string>

#include "settings/autostart_entry.h"
#include "tests/settings/raw_registry.h"

namespace settings {
namespace {

using settings_test::Dword;
using settings_test::RawCreateKey;
using settings_test::RawDeleteTree;
using settings_test::RawDeleteValue;
using settings_test::RawGetValue;
using settings_test::RawKeyExists;
using settings_test::RawSetValue;
using settings_test::RawValue;
using namespace std::string_literals;

const char kTobrin[] = "software\\Tobrin";
const char kRun[] = "software\\microsoft\\windows\\CurrentVersion\\Run";
const char kRunClipboardKey[] = "software\\microsoft\\windows\\CurrentVersion\\Run\\Clipboard";

void ResetConfiguration() {
  RawDeleteTree(HKEY_LOCAL_MACHINE, kTobrin);
  RawDeleteTree(HKEY_LOCAL_MACHINE, kRunClipboardKey);
  RawDeleteValue(HKEY_LOCAL_MACHINE, kRun, "Clipboard");
  RawDeleteValue(HKEY_LOCAL_MACHINE, kRun, "QuilletTestNeighbour");
}

std::string CurrentExecutable() {
  char path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, length);
}

std::optional<std::int32_t> StoredSwitch(const char* name) {
  const auto value = RawGetValue(HKEY_LOCAL_MACHINE, kTobrin, name);
  if (!value) {
    return std::nullopt;
  }
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_DWORD)) << name;
  EXPECT_EQ(value->data.size(), 4u) << name;
  std::int32_t number = 0;
  memcpy(&number, value->data.data(), std::min<std::size_t>(4, value->data.size()));
  return number;
}

std::optional<RawValue> AutostartValue() {
  return RawGetValue(HKEY_LOCAL_MACHINE, kRun, "Clipboard");
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  SettingsStoreTest() { ResetConfiguration(); }
  ~SettingsStoreTest() override { ResetConfiguration(); }

  // Check marks as the menu starts: none. Tests that need other states set them.
  bool startAtBootChecked_ = false;
  bool autoMonitorChecked_ = false;
  SwitchItems items_{startAtBootChecked_, autoMonitorChecked_};
  int monitoringStarts_ = 0;
  std::function<void()> startMonitoring_ = [this] { ++monitoringStarts_; };
};

// ---------------------------------------------------------------------------------------------------------
// Loading at start-up.

TEST_F(SettingsStoreTest, FirstStartWithoutKeyLeavesBothOffAndCreatesNothing) {
  startAtBootChecked_ = true;  // whatever the marks were, the load decides them
  autoMonitorChecked_ = true;
  LoadSwitches(items_, startMonitoring_);
  EXPECT_FALSE(startAtBootChecked_);
  EXPECT_FALSE(autoMonitorChecked_);
  EXPECT_EQ(monitoringStarts_, 0);
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kTobrin));
  EXPECT_FALSE(AutostartValue().has_value());
}

struct StoredValue {
  bool present;
  DWORD type;
  std::string data;
};
const StoredValue kMissing{false, 0, ""};
StoredValue DwordValue(DWORD number) {
  return {true, REG_DWORD, Dword(number)};
}

struct LoadCase {
  const char* label;
  StoredValue startAtBoot;
  StoredValue autoMonitor;
  bool startAtBootChecked;
  bool autoMonitorChecked;
};

void PrintTo(const LoadCase& c, std::ostream* out) {
  *out << c.label;
}

class LoadSwitchesOfStoredValues : public SettingsStoreTest,
                                   public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadSwitchesOfStoredValues, ChecksOnlyAStoredOneAndStartsMonitoringForIt) {
  RawCreateKey(HKEY_LOCAL_MACHINE, kTobrin);
  if (GetParam().startAtBoot.present) {
    ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, kTobrin, kStartAtBootValue, GetParam().startAtBoot.type,
                            GetParam().startAtBoot.data));
  }
  if (GetParam().autoMonitor.present) {
    ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, kTobrin, kAutoMonitorValue, GetParam().autoMonitor.type,
                            GetParam().autoMonitor.data));
  }
  startAtBootChecked_ = !GetParam().startAtBootChecked;
  autoMonitorChecked_ = !GetParam().autoMonitorChecked;

  LoadSwitches(items_, startMonitoring_);

  EXPECT_EQ(startAtBootChecked_, GetParam().startAtBootChecked);
  EXPECT_EQ(autoMonitorChecked_, GetParam().autoMonitorChecked);
  EXPECT_EQ(monitoringStarts_, GetParam().autoMonitorChecked ? 1 : 0);
  EXPECT_FALSE(AutostartValue().has_value()) << "the load neither reads nor repairs the autostart entry";
}

INSTANTIATE_TEST_SUITE_P(
    SettingsStore, LoadSwitchesOfStoredValues,
    ::testing::Values(LoadCase{"BothOne", DwordValue(1), DwordValue(1), true, true},
                      LoadCase{"BothZero", DwordValue(0), DwordValue(0), false, false},
                      LoadCase{"OnlyStartAtBoot", DwordValue(1), DwordValue(0), true, false},
                      LoadCase{"OnlyAutoMonitor", DwordValue(0), DwordValue(1), false, true},
                      LoadCase{"KeyWithoutValues", kMissing, kMissing, false, false},
                      LoadCase{"BothTwo", DwordValue(2), DwordValue(2), false, false},
                      LoadCase{"MinusOne", DwordValue(0xFFFFFFFF), DwordValue(0xFFFFFFFF), false, false},
                      LoadCase{"OneInSecondByte", DwordValue(0x101), DwordValue(0x101), false, false},
                      // The digit 1 as text reads as 49: off.
                      LoadCase{"TextDigitOne", {true, REG_SZ, "1\0"s}, {true, REG_SZ, "1\0"s}, false, false},
                      // The type is not examined: one byte 0x01 reads as 1.
                      LoadCase{
                          "BinaryOne", {true, REG_BINARY, "\x01"}, {true, REG_BINARY, "\x01"}, true, true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SettingsStoreTest, LoadWithoutStartMonitoringCommandStillSetsTheMark) {
  ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, kTobrin, kAutoMonitorValue, REG_DWORD, Dword(1)));
  LoadSwitches(items_, {});
  EXPECT_TRUE(autoMonitorChecked_);
}

// ---------------------------------------------------------------------------------------------------------
// The automatic-monitoring switch.

TEST_F(SettingsStoreTest, ToggleAutoMonitorFlipsTheMarkAndStoresBothSwitches) {
  ToggleAutoMonitor(items_);
  EXPECT_TRUE(autoMonitorChecked_);
  EXPECT_FALSE(startAtBootChecked_);
  EXPECT_EQ(StoredSwitch(kAutoMonitorValue), 1);
  EXPECT_EQ(StoredSwitch(kStartAtBootValue), 0);

  ToggleAutoMonitor(items_);
  EXPECT_FALSE(autoMonitorChecked_);
  EXPECT_EQ(StoredSwitch(kAutoMonitorValue), 0);
  EXPECT_EQ(StoredSwitch(kStartAtBootValue), 0);
  EXPECT_FALSE(AutostartValue().has_value()) << "only the autostart switch touches the entry";
}

TEST_F(SettingsStoreTest, ToggleAutoMonitorOffWhileMonitoringStoresZeroAndStartsNothing) {
  ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, kTobrin, kAutoMonitorValue, REG_DWORD, Dword(1)));
  LoadSwitches(items_, startMonitoring_);
  ASSERT_EQ(monitoringStarts_, 1);
  ToggleAutoMonitor(items_);
  EXPECT_FALSE(autoMonitorChecked_);
  EXPECT_EQ(StoredSwitch(kAutoMonitorValue), 0);
  EXPECT_EQ(monitoringStarts_, 1);
}

TEST_F(SettingsStoreTest, SaveSwitchesCreatesTheKeyAndWritesBothEveryTime) {
  startAtBootChecked_ = true;
  SaveSwitches(items_);
  EXPECT_EQ(StoredSwitch(kStartAtBootValue), 1);
  EXPECT_EQ(StoredSwitch(kAutoMonitorValue), 0);
  ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, kTobrin, kAutoMonitorValue, REG_SZ, "odd"));
  SaveSwitches(items_);
  EXPECT_EQ(StoredSwitch(kAutoMonitorValue), 0) << "an odd stored value is replaced by a REG_DWORD";
}

// ---------------------------------------------------------------------------------------------------------
// The start-at-boot switch and the autostart entry.

TEST_F(SettingsStoreTest, ToggleStartAtBootWritesThenRemovesTheRunValue) {
  autoMonitorChecked_ = true;
  ToggleStartAtBoot(items_);
  EXPECT_TRUE(startAtBootChecked_);
  const auto written = AutostartValue();
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(written->data, CurrentExecutable() + '\0') << "the full path with its terminating zero";
  EXPECT_NE(written->data.find(".exe"), std::string::npos);
  EXPECT_EQ(StoredSwitch(kStartAtBootValue), 1);
  EXPECT_EQ(StoredSwitch(kAutoMonitorValue), 1);

  ToggleStartAtBoot(items_);
  EXPECT_FALSE(startAtBootChecked_);
  EXPECT_FALSE(AutostartValue().has_value());
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, kRun)) << "the Run key itself stays";
  EXPECT_EQ(StoredSwitch(kStartAtBootValue), 0);
  EXPECT_EQ(StoredSwitch(kAutoMonitorValue), 1);
}

TEST_F(SettingsStoreTest, ToggleStartAtBootOverwritesAnOldPath) {
  ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, kRun, "Clipboard", REG_SZ, "C:\\旧目录\\Quillet.exe\0"s));
  ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, kRun, "QuilletTestNeighbour", REG_SZ, "other.exe\0"s));
  ToggleStartAtBoot(items_);
  const auto written = AutostartValue();
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->data, CurrentExecutable() + '\0');
  EXPECT_TRUE(RawGetValue(HKEY_LOCAL_MACHINE, kRun, "QuilletTestNeighbour").has_value());
}

TEST_F(SettingsStoreTest, WriteAutostartEntryCreatesAMissingRunKey) {
  RawDeleteTree(HKEY_LOCAL_MACHINE, kRun);
  ASSERT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kRun));
  WriteAutostartEntry();
  const auto written = AutostartValue();
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->data, ExecutablePath() + '\0');
  EXPECT_EQ(ExecutablePath(), CurrentExecutable());
}

TEST_F(SettingsStoreTest, RemoveAutostartEntryLeavesOtherRunValues) {
  WriteAutostartEntry();
  ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, kRun, "QuilletTestNeighbour", REG_SZ, "other.exe\0"s));
  RemoveAutostartEntry();
  EXPECT_FALSE(AutostartValue().has_value());
  EXPECT_TRUE(RawGetValue(HKEY_LOCAL_MACHINE, kRun, "QuilletTestNeighbour").has_value());
}

TEST_F(SettingsStoreTest, RemoveFallsBackToAKeyOfTheEntrysName) {
  RawCreateKey(HKEY_LOCAL_MACHINE, kRunClipboardKey);
  startAtBootChecked_ = true;
  ToggleStartAtBoot(items_);
  EXPECT_FALSE(startAtBootChecked_);
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kRunClipboardKey));
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, kRun));
}

TEST_F(SettingsStoreTest, RemoveWithNothingToRemoveChangesNothing) {
  startAtBootChecked_ = true;
  ToggleStartAtBoot(items_);
  EXPECT_FALSE(startAtBootChecked_);
  EXPECT_FALSE(AutostartValue().has_value());
  EXPECT_EQ(StoredSwitch(kStartAtBootValue), 0);
}

// ---------------------------------------------------------------------------------------------------------
// Clearing the configuration.

TEST_F(SettingsStoreTest, ClearRemovesSwitchesAndAutostartValueAndKeepsTheMarks) {
  ToggleAutoMonitor(items_);
  ToggleStartAtBoot(items_);
  ASSERT_TRUE(AutostartValue().has_value());
  ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, kRun, "QuilletTestNeighbour", REG_SZ, "other.exe\0"s));
  RawCreateKey(HKEY_LOCAL_MACHINE, std::string(kTobrin) + "\\子键");

  ClearConfiguration();

  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kTobrin));
  EXPECT_FALSE(AutostartValue().has_value()) << "a cleared configuration no longer starts at log-on";
  EXPECT_TRUE(RawGetValue(HKEY_LOCAL_MACHINE, kRun, "QuilletTestNeighbour").has_value());
  EXPECT_TRUE(startAtBootChecked_);
  EXPECT_TRUE(autoMonitorChecked_);

  // The next start-up after a clear loads both switches off.
  bool startAtBootAtNextStart = true;
  bool autoMonitorAtNextStart = true;
  LoadSwitches({startAtBootAtNextStart, autoMonitorAtNextStart}, startMonitoring_);
  EXPECT_FALSE(startAtBootAtNextStart);
  EXPECT_FALSE(autoMonitorAtNextStart);
  EXPECT_EQ(monitoringStarts_, 0);
}

TEST_F(SettingsStoreTest, ToggleAfterClearRecreatesTheKeyWithBothValues) {
  ToggleStartAtBoot(items_);
  ClearConfiguration();
  ASSERT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kTobrin));
  ToggleAutoMonitor(items_);
  EXPECT_EQ(StoredSwitch(kStartAtBootValue), 1) << "the old check mark, written again";
  EXPECT_EQ(StoredSwitch(kAutoMonitorValue), 1);
  EXPECT_FALSE(AutostartValue().has_value()) << "only the start-at-boot toggle writes the entry";
}

TEST_F(SettingsStoreTest, ClearRemovesAKeyOfTheEntrysNameWithItsTree) {
  RawCreateKey(HKEY_LOCAL_MACHINE, std::string(kRunClipboardKey) + "\\Deeper\\Deepest");
  ClearConfiguration();
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kRunClipboardKey));
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, kRun));
}

TEST_F(SettingsStoreTest, ClearWithNothingStoredCreatesNothing) {
  ClearConfiguration();
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kTobrin));
  EXPECT_FALSE(AutostartValue().has_value());
}

}  // namespace
}  // namespace settings
