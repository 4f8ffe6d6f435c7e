// RegistryAccess against the real registry (under Wine), on scratch keys that every test deletes before
// and after it runs. The registry is set up and inspected with direct Win32 calls (raw_registry.h).
#include "settings/registry_access.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/settings/raw_registry.h"

namespace settings {
namespace {

using settings_test::Dword;
using settings_test::RawCreateKey;
using settings_test::RawDeleteTree;
using settings_test::RawGetValue;
using settings_test::RawKeyExists;
using settings_test::RawSetValue;
using settings_test::RawSubKeyNames;

// The scratch subtree, below HKEY_CURRENT_USER, as a sub-key and as a path text.
const std::string kScratchSubKey = "Software\\QuilletSettingsTest";
const std::string kScratch = "HKEY_CURRENT_USER\\" + kScratchSubKey;

// Where WriteUnderRoot's tests write, one place below each root selector's root.
struct RootPlace {
  int selector;
  HKEY root;
  const char* subKey;
};
const RootPlace kRootPlaces[] = {
    {1, HKEY_CLASSES_ROOT, "QuilletSettingsTest"},
    {2, HKEY_CURRENT_CONFIG, "Software\\QuilletSettingsTest"},
    {3, HKEY_CURRENT_USER, "Software\\QuilletSettingsTest"},
    {4, HKEY_LOCAL_MACHINE, "Software\\QuilletSettingsTest"},
    {5, HKEY_USERS, ".DEFAULT\\Software\\QuilletSettingsTest"},
};

void DeleteScratch() {
  for (const RootPlace& place : kRootPlaces) {
    RawDeleteTree(place.root, place.subKey);
  }
  RegDeleteValueA(HKEY_CURRENT_USER, "QuilletSettingsTestValue");
}

// Deletes every scratch key when a test starts and again when it ends.
struct ScratchRegistry {
  ScratchRegistry() { DeleteScratch(); }
  ~ScratchRegistry() { DeleteScratch(); }
};

class RegistryAccessTest : public ::testing::Test {
 protected:
  ScratchRegistry scratch_;
  RegistryAccess registry_;
};

template <typename Case>
class RegistryAccessTableTest : public ::testing::TestWithParam<Case> {
 protected:
  ScratchRegistry scratch_;
  RegistryAccess registry_;
};

// Failure messages name a table case (by its label, or its selector) instead of dumping its bytes.
void PrintTo(const RootPlace& place, std::ostream* out) {
  *out << "selector " << place.selector;
}

std::string Sub(const std::string& relative) {
  return kScratchSubKey + "\\" + relative;
}

// ---------------------------------------------------------------------------------------------------------
// Paths that name no key. The scratch key exists under HKEY_CURRENT_USER and HKEY_CURRENT_CONFIG with the
// value "V" = 7, so a path that were wrongly accepted would read 7 or overwrite it.

struct NoKeyCase {
  const char* label;
  std::string path;
};
void PrintTo(const NoKeyCase& c, std::ostream* out) {
  *out << c.label;
}

class PathsNamingNoKey : public RegistryAccessTableTest<NoKeyCase> {};

TEST_P(PathsNamingNoKey, ReadsGiveZeroOrEmptyAndWritesFail) {
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "V", REG_DWORD, Dword(7)));
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_CONFIG, kScratchSubKey, "V", REG_DWORD, Dword(7)));
  const std::string& path = GetParam().path;

  EXPECT_FALSE(registry_.OpenKey(path));
  EXPECT_FALSE(registry_.OpenKey(path, true));
  EXPECT_EQ(registry_.ReadInteger(path, "V"), 0);
  EXPECT_EQ(registry_.ReadBinary(path, "V"), "");
  EXPECT_EQ(registry_.ReadText(path, "V"), "");
  EXPECT_EQ(registry_.ReadMultiText(path, "V"), "");
  EXPECT_EQ(registry_.ReadExpandText(path, "V"), "");
  EXPECT_FALSE(registry_.Exists(path));
  EXPECT_FALSE(registry_.Exists(path, "V"));
  EXPECT_EQ(registry_.DescribeValueType(path, "V"), "");
  std::vector<std::string> names{"left over"};
  EXPECT_EQ(registry_.EnumSubKeys(path, names), -1);
  EXPECT_TRUE(names.empty());
  std::vector<std::string> valueNames{"left over"}, data{"left over"};
  std::vector<DWORD> types{1};
  EXPECT_EQ(registry_.EnumValues(path, valueNames, data, types), -1);
  EXPECT_TRUE(valueNames.empty() && data.empty() && types.empty());

  EXPECT_FALSE(registry_.WriteInteger(path, "V", 8));
  EXPECT_FALSE(registry_.WriteText(path, "V", "8"));
  EXPECT_FALSE(registry_.WriteBinary(path, "V", "8"));
  EXPECT_FALSE(registry_.WriteMultiText(path, "V", "8"));
  EXPECT_FALSE(registry_.WriteExpandText(path, "V", "8"));
  EXPECT_FALSE(registry_.WriteBytes(path, "V", "8", REG_BINARY));
  EXPECT_FALSE(registry_.WriteInteger(path, "New", 8));
  EXPECT_FALSE(registry_.Flush(path));
  EXPECT_FALSE(registry_.DeleteValue(path, "V"));
  EXPECT_FALSE(registry_.DeleteKeyTree(path));

  for (HKEY root : {HKEY_CURRENT_USER, HKEY_CURRENT_CONFIG}) {
    const auto value = RawGetValue(root, kScratchSubKey, "V");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->data, Dword(7));
    EXPECT_FALSE(RawGetValue(root, kScratchSubKey, "New").has_value());
  }
}

INSTANTIATE_TEST_SUITE_P(
    RegistryAccess, PathsNamingNoKey,
    ::testing::Values(NoKeyCase{"BareRoot", "HKEY_CURRENT_USER"},
                      NoKeyCase{"BareLocalMachine", "HKEY_LOCAL_MACHINE"},
                      NoKeyCase{"LowerCaseRoot", "hkey_current_user\\" + kScratchSubKey},
                      NoKeyCase{"MixedCaseRoot", "Hkey_Current_User\\" + kScratchSubKey},
                      NoKeyCase{"CurrentConfigRoot", "HKEY_CURRENT_CONFIG\\" + kScratchSubKey},
                      NoKeyCase{"ShortRootName", "HKCU\\" + kScratchSubKey},
                      NoKeyCase{"RootWithSpace", " HKEY_CURRENT_USER\\" + kScratchSubKey},
                      NoKeyCase{"NoRoot", kScratchSubKey}, NoKeyCase{"EmptyRoot", "\\" + kScratchSubKey},
                      NoKeyCase{"EmptyPath", ""}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------------------------------------------------
// A root name and a single "\" open that root key itself.

struct RootCase {
  const char* label;
  std::string path;
  HKEY root;
};
void PrintTo(const RootCase& c, std::ostream* out) {
  *out << c.label;
}

class RootWithSingleSeparator : public RegistryAccessTableTest<RootCase> {};

TEST_P(RootWithSingleSeparator, OpensTheRootKeyItself) {
  RawCreateKey(HKEY_CURRENT_USER, kScratchSubKey);
  EXPECT_TRUE(registry_.Exists(GetParam().path));
  EXPECT_TRUE(registry_.OpenKey(GetParam().path));
  std::vector<std::string> names;
  const std::vector<std::string> expected = RawSubKeyNames(GetParam().root, "");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(registry_.EnumSubKeys(GetParam().path, names), static_cast<int>(expected.size()));
  EXPECT_EQ(names, expected);
}

INSTANTIATE_TEST_SUITE_P(RegistryAccess, RootWithSingleSeparator,
                         ::testing::Values(RootCase{"ClassesRoot", "HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT},
                                           RootCase{"CurrentUser", "HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
                                           RootCase{"LocalMachine", "HKEY_LOCAL_MACHINE\\",
                                                    HKEY_LOCAL_MACHINE},
                                           RootCase{"Users", "HKEY_USERS\\", HKEY_USERS}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegistryAccessTest, ValueWrittenThroughRootAndSeparatorLandsInTheRootKey) {
  EXPECT_TRUE(registry_.WriteText("HKEY_CURRENT_USER\\", "QuilletSettingsTestValue", "x"));
  const auto value = RawGetValue(HKEY_CURRENT_USER, "", "QuilletSettingsTestValue");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
}

// ---------------------------------------------------------------------------------------------------------
// Keys and integers.

TEST_F(RegistryAccessTest, OpenKeyCreatesOnlyWhenAsked) {
  EXPECT_FALSE(registry_.OpenKey(kScratch + "\\A\\B"));
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kScratchSubKey));
  EXPECT_TRUE(registry_.OpenKey(kScratch + "\\A\\B", true));
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Sub("A\\B")));
  EXPECT_TRUE(registry_.OpenKey(kScratch + "\\A\\B"));
}

TEST_F(RegistryAccessTest, WriteIntegerCreatesEveryMissingKeyAndADword) {
  ASSERT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kScratchSubKey));
  EXPECT_TRUE(registry_.WriteInteger(kScratch + "\\A\\B\\C", "数值", -2));
  const auto value = RawGetValue(HKEY_CURRENT_USER, Sub("A\\B\\C"), "数值");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value->data, std::string("\xFE\xFF\xFF\xFF", 4));
  EXPECT_EQ(registry_.ReadInteger(kScratch + "\\A\\B\\C", "数值"), -2);
}

struct IntegerCase {
  const char* label;
  bool present;
  DWORD type;
  std::string data;
  std::int32_t expected;
};
void PrintTo(const IntegerCase& c, std::ostream* out) {
  *out << c.label;
}

class ReadIntegerOfStoredData : public RegistryAccessTableTest<IntegerCase> {};

TEST_P(ReadIntegerOfStoredData, PadsShortDataAndIgnoresTheType) {
  RawCreateKey(HKEY_CURRENT_USER, kScratchSubKey);
  if (GetParam().present) {
    ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "V", GetParam().type, GetParam().data));
  }
  EXPECT_EQ(registry_.ReadInteger(kScratch, "V"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    RegistryAccess, ReadIntegerOfStoredData,
    ::testing::Values(IntegerCase{"Missing", false, 0, "", 0},
                      IntegerCase{"BinaryOne", true, REG_BINARY, "\x01", 1},
                      IntegerCase{"QwordFive", true, REG_QWORD, std::string("\x05\0\0\0\0\0\0\0", 8), 5},
                      IntegerCase{"TextDigitOne", true, REG_SZ, std::string("1\0", 2), 49},
                      IntegerCase{"DwordMinusOne", true, REG_DWORD, Dword(0xFFFFFFFF), -1},
                      IntegerCase{"EmptyBinary", true, REG_BINARY, "", 0},
                      IntegerCase{"TwoBytes", true, REG_BINARY, std::string("\x00\x01", 2), 256},
                      IntegerCase{"SixBytes", true, REG_BINARY, "\x01\x02\x03\x04\x05\x06", 0x04030201}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegistryAccessTest, ReadIntegerOfAMissingKeyIsZero) {
  EXPECT_EQ(registry_.ReadInteger(kScratch + "\\Missing", "V"), 0);
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kScratchSubKey));
}

// ---------------------------------------------------------------------------------------------------------
// DeleteKeyTree on a scratch tree:
//   A (value "va") \ B \ C (value "vc"),  A \ B2,  Keep,  "A乗" \ "子乗"  (乗 is 0x81 0x5C),  value "V".

struct DeleteCase {
  const char* label;
  std::string path;
  bool expected;
  std::vector<std::string> gone;   // keys below the scratch key that no longer exist
  std::vector<std::string> stays;  // keys below the scratch key that still exist
};
void PrintTo(const DeleteCase& c, std::ostream* out) {
  *out << c.label;
}

class DeleteKeyTreeOfScratchTree : public RegistryAccessTableTest<DeleteCase> {};

const std::vector<std::string> kWholeTree = {"A", "A\\B", "A\\B\\C", "A\\B2", "Keep", "A乗", "A乗\\子乗"};

TEST_P(DeleteKeyTreeOfScratchTree, DeletesExactlyTheNamedKeyWithItsTree) {
  for (const std::string& key : kWholeTree) {
    RawCreateKey(HKEY_CURRENT_USER, Sub(key));
  }
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, Sub("A"), "va", REG_DWORD, Dword(1)));
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, Sub("A\\B\\C"), "vc", REG_DWORD, Dword(1)));
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "V", REG_DWORD, Dword(1)));
  ASSERT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Sub("A乗\\子乗")));

  EXPECT_EQ(registry_.DeleteKeyTree(GetParam().path), GetParam().expected);

  for (const std::string& key : GetParam().gone) {
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Sub(key))) << key;
  }
  for (const std::string& key : GetParam().stays) {
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Sub(key))) << key;
  }
  EXPECT_TRUE(RawGetValue(HKEY_CURRENT_USER, kScratchSubKey, "V").has_value());
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, "Software"));
}

INSTANTIATE_TEST_SUITE_P(
    RegistryAccess, DeleteKeyTreeOfScratchTree,
    ::testing::Values(
        DeleteCase{"ThreeLevels",
                   kScratch + "\\A",
                   true,
                   {"A", "A\\B", "A\\B\\C", "A\\B2"},
                   {"Keep", "A乗", "A乗\\子乗"}},
        DeleteCase{"Leaf", kScratch + "\\A\\B\\C", true, {"A\\B\\C"}, {"A", "A\\B", "A\\B2", "Keep"}},
        DeleteCase{"TrailingSeparator", kScratch + "\\A\\", false, {}, kWholeTree},
        DeleteCase{"ValueNameAsLastPart", kScratch + "\\V", false, {}, kWholeTree},
        DeleteCase{"MissingKey", kScratch + "\\Missing", false, {}, kWholeTree},
        DeleteCase{"LowerCaseRoot", "hkey_current_user\\" + kScratchSubKey + "\\A", false, {}, kWholeTree},
        DeleteCase{"RootAndSeparator", "HKEY_CURRENT_USER\\", false, {}, kWholeTree},
        DeleteCase{"BareRoot", "HKEY_CURRENT_USER", false, {}, kWholeTree},
        // The last byte of "乗" is 0x5C, which is no separator there: the key "A乗" goes, "A" stays.
        DeleteCase{"DoubleByteNameEndingIn5C",
                   kScratch + "\\A乗",
                   true,
                   {"A乗", "A乗\\子乗"},
                   {"A", "A\\B\\C", "Keep"}}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------------------------------------------------
// Multi-texts.

struct MultiTextCase {
  const char* label;
  std::string text;
  std::string stored;
  std::string readBack;
};
void PrintTo(const MultiTextCase& c, std::ostream* out) {
  *out << c.label;
}

class MultiTextRoundTrip : public RegistryAccessTableTest<MultiTextCase> {};

TEST_P(MultiTextRoundTrip, StoresZeroSeparatedLinesAndReadsEveryZeroAsCrLf) {
  ASSERT_TRUE(registry_.WriteMultiText(kScratch, "M", GetParam().text));
  const auto value = RawGetValue(HKEY_CURRENT_USER, kScratchSubKey, "M");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(value->data, GetParam().stored);
  EXPECT_EQ(registry_.ReadMultiText(kScratch, "M"), GetParam().readBack);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    RegistryAccess, MultiTextRoundTrip,
    ::testing::Values(MultiTextCase{"TwoLines", "a\r\nb", "a\0b\0\0"s, "a\r\nb\r\n\r\n"},
                      MultiTextCase{"Empty", "", "\0\0"s, "\r\n\r\n"},
                      MultiTextCase{"EmptyLineInside", "a\r\n\r\nb", "a\0\0b\0\0"s, "a\r\n\r\nb\r\n\r\n"},
                      MultiTextCase{"LoneCrAndLf", "a\rb\nc", "a\rb\nc\0\0"s, "a\rb\nc\r\n\r\n"},
                      MultiTextCase{"Chinese", "中文\r\n文本", "中文\0文本\0\0"s, "中文\r\n文本\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------------------------------------------------
// DescribeValueType. The key holds another value before the one described, so the search goes on.

struct DescribeCase {
  const char* label;
  DWORD type;
  std::string expected;
};
void PrintTo(const DescribeCase& c, std::ostream* out) {
  *out << c.label;
}

class DescribeValueTypeOfStoredValue : public RegistryAccessTableTest<DescribeCase> {};

TEST_P(DescribeValueTypeOfStoredValue, GivesTheTextAndTheTypeCode) {
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "甲", REG_DWORD, Dword(1)));
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "值", GetParam().type, std::string(8, '\0')));
  EXPECT_EQ(registry_.DescribeValueType(kScratch, "值"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(RegistryAccess, DescribeValueTypeOfStoredValue,
                         ::testing::Values(DescribeCase{"None", REG_NONE, "REG_NONE - 字节集，值为：0"},
                                           DescribeCase{"Text", REG_SZ, "REG_SZ - 字符串值，值为：1"},
                                           DescribeCase{"ExpandText", REG_EXPAND_SZ,
                                                        "REG_REG_EXPAND_SZ - 可扩充字符串值，值为：2"},
                                           DescribeCase{"Binary", REG_BINARY, "REG_BINARY - 二进制，值为：3"},
                                           DescribeCase{"Dword", REG_DWORD, "REG_DWORD - DWORD，值为：4"},
                                           DescribeCase{"MultiText", REG_MULTI_SZ,
                                                        "REG_MULTI_SZ - 多字符串值，值为：7"},
                                           DescribeCase{"Qword", REG_QWORD, ""},
                                           DescribeCase{"BigEndianDword", REG_DWORD_BIG_ENDIAN, ""},
                                           DescribeCase{"Link", REG_LINK, ""}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegistryAccessTest, DescriptionUsesFullWidthCommaAndColonOfCodePage936) {
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "S", REG_SZ, "x"));
  // "REG_SZ - 字符串值，值为：1" spelled out byte by byte.
  EXPECT_EQ(registry_.DescribeValueType(kScratch, "S"),
            "REG_SZ - \xD7\xD6\xB7\xFB\xB4\xAE\xD6\xB5\xA3\xAC\xD6\xB5\xCE\xAA\xA3\xBA"
            "1");
}

TEST_F(RegistryAccessTest, DescribeValueTypeIsEmptyWithoutSuchValue) {
  EXPECT_EQ(registry_.DescribeValueType(kScratch, "V"), "") << "missing key";
  RawCreateKey(HKEY_CURRENT_USER, kScratchSubKey);
  EXPECT_EQ(registry_.DescribeValueType(kScratch, "V"), "") << "key without values";
  EXPECT_EQ(registry_.DescribeValueType(kScratch, ""), "") << "key without values, default value";
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "V", REG_SZ, "x"));
  EXPECT_EQ(registry_.DescribeValueType(kScratch, "W"), "") << "other name";
  EXPECT_EQ(registry_.DescribeValueType(kScratch, "v"), "") << "names compared byte for byte";
}

// ---------------------------------------------------------------------------------------------------------
// WriteUnderRoot.

class WriteUnderEachRoot : public RegistryAccessTableTest<RootPlace> {};

TEST_P(WriteUnderEachRoot, WritesATextByDefault) {
  const RootPlace& place = GetParam();
  EXPECT_TRUE(registry_.WriteUnderRoot(place.selector, std::string(place.subKey) + "\\深", "名称", "数据"));
  const auto value = RawGetValue(place.root, std::string(place.subKey) + "\\深", "名称");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->data.substr(0, value->data.find('\0')), "数据");
}

TEST_P(WriteUnderEachRoot, WritesTheTypeGiven) {
  const RootPlace& place = GetParam();
  EXPECT_TRUE(registry_.WriteUnderRoot(place.selector, place.subKey, "B", "\x01\x00\x02"s, REG_BINARY));
  const auto value = RawGetValue(place.root, place.subKey, "B");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(value->data, "\x01\x00\x02"s);
}

INSTANTIATE_TEST_SUITE_P(RegistryAccess, WriteUnderEachRoot, ::testing::ValuesIn(kRootPlaces),
                         [](const auto& info) { return "Selector" + std::to_string(info.param.selector); });

TEST_F(RegistryAccessTest, WriteUnderRootRefusesSelectorsOutsideOneToFive) {
  for (int selector : {0, 6, -1, 100}) {
    EXPECT_FALSE(registry_.WriteUnderRoot(selector, kScratchSubKey, "V", "x")) << selector;
  }
  for (const RootPlace& place : kRootPlaces) {
    EXPECT_FALSE(RawKeyExists(place.root, place.subKey)) << place.selector;
  }
}

// ---------------------------------------------------------------------------------------------------------
// Exists.

struct ExistsCase {
  const char* label;
  std::size_t dataSize;
  bool expected;
};
void PrintTo(const ExistsCase& c, std::ostream* out) {
  *out << c.label;
}

class ExistsOfValueSize : public RegistryAccessTableTest<ExistsCase> {};

TEST_P(ExistsOfValueSize, TrueOnlyWhenTheDataFits256Bytes) {
  ASSERT_TRUE(
      RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "V", REG_BINARY, std::string(GetParam().dataSize, 'x')));
  EXPECT_EQ(registry_.Exists(kScratch, "V"), GetParam().expected);
  EXPECT_TRUE(registry_.Exists(kScratch));
}

INSTANTIATE_TEST_SUITE_P(RegistryAccess, ExistsOfValueSize,
                         ::testing::Values(ExistsCase{"Empty", 0, true}, ExistsCase{"Bytes255", 255, true},
                                           ExistsCase{"Bytes256", 256, true},
                                           ExistsCase{"Bytes257", 257, false},
                                           ExistsCase{"Bytes300", 300, false}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegistryAccessTest, ExistsOfMissingKeyOrValue) {
  EXPECT_FALSE(registry_.Exists(kScratch));
  EXPECT_FALSE(registry_.Exists(kScratch, "V"));
  RawCreateKey(HKEY_CURRENT_USER, kScratchSubKey);
  EXPECT_TRUE(registry_.Exists(kScratch));
  EXPECT_FALSE(registry_.Exists(kScratch, "V"));
}

// ---------------------------------------------------------------------------------------------------------
// Texts, binary data, values.

TEST_F(RegistryAccessTest, TextRoundTripsAsRegSz) {
  ASSERT_TRUE(registry_.WriteText(kScratch, "T", "中文"));
  const auto value = RawGetValue(HKEY_CURRENT_USER, kScratchSubKey, "T");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->data.substr(0, value->data.find('\0')), "中文");
  EXPECT_EQ(registry_.ReadText(kScratch, "T"), "中文");
  ASSERT_TRUE(registry_.WriteText(kScratch, "Empty", ""));
  EXPECT_EQ(registry_.ReadText(kScratch, "Empty"), "");
  EXPECT_TRUE(registry_.Exists(kScratch, "Empty"));
}

TEST_F(RegistryAccessTest, ReadTextStopsAtTheFirstZeroWhateverTheType) {
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "Z", REG_BINARY, "ab\0cd"s));
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "N", REG_BINARY, "abc"));
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "D", REG_DWORD, Dword(0x00636261)));
  EXPECT_EQ(registry_.ReadText(kScratch, "Z"), "ab");
  EXPECT_EQ(registry_.ReadText(kScratch, "N"), "abc");
  EXPECT_EQ(registry_.ReadText(kScratch, "D"), "abc");
  EXPECT_EQ(registry_.ReadExpandText(kScratch, "Z"), "ab");
  EXPECT_EQ(registry_.ReadText(kScratch, "Missing"), "");
}

TEST_F(RegistryAccessTest, ExpandTextHasItsOwnType) {
  ASSERT_TRUE(registry_.WriteExpandText(kScratch, "E", "%WINDIR%\\系统"));
  const auto value = RawGetValue(HKEY_CURRENT_USER, kScratchSubKey, "E");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(registry_.ReadExpandText(kScratch, "E"), "%WINDIR%\\系统");
}

TEST_F(RegistryAccessTest, BinaryRoundTripsEveryByte) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) {
    bytes.push_back(static_cast<char>(i));
  }
  ASSERT_TRUE(registry_.WriteBinary(kScratch, "B", bytes));
  const auto value = RawGetValue(HKEY_CURRENT_USER, kScratchSubKey, "B");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(value->data, bytes);
  EXPECT_EQ(registry_.ReadBinary(kScratch, "B"), bytes);
  ASSERT_TRUE(registry_.WriteBinary(kScratch, "Empty", ""));
  EXPECT_EQ(RawGetValue(HKEY_CURRENT_USER, kScratchSubKey, "Empty")->data, "");
}

TEST_F(RegistryAccessTest, ReadBytesGivesDataAndTypeWhateverTheType) {
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "D", REG_DWORD, Dword(0x04030201)));
  DWORD type = 0;
  EXPECT_EQ(registry_.ReadBytes(kScratch, "D", type), "\x01\x02\x03\x04");
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(registry_.ReadBinary(kScratch, "D"), "\x01\x02\x03\x04");
  EXPECT_EQ(registry_.ReadBytes(kScratch, "Missing", type), "");
  EXPECT_EQ(registry_.ReadBytes(kScratch + "\\Missing", "D", type), "");
}

TEST_F(RegistryAccessTest, WriteBytesOverwritesValueAndType) {
  ASSERT_TRUE(registry_.WriteInteger(kScratch, "V", 1));
  ASSERT_TRUE(registry_.WriteBytes(kScratch, "V", "xyz", REG_NONE));
  const auto value = RawGetValue(HKEY_CURRENT_USER, kScratchSubKey, "V");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_NONE));
  EXPECT_EQ(value->data, "xyz");
}

TEST_F(RegistryAccessTest, DeleteValueAndFlush) {
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "V", REG_DWORD, Dword(1)));
  EXPECT_TRUE(registry_.Flush(kScratch));
  EXPECT_FALSE(registry_.Flush(kScratch + "\\Missing"));
  EXPECT_TRUE(registry_.DeleteValue(kScratch, "V"));
  EXPECT_FALSE(RawGetValue(HKEY_CURRENT_USER, kScratchSubKey, "V").has_value());
  EXPECT_FALSE(registry_.DeleteValue(kScratch, "V")) << "already deleted";
  EXPECT_FALSE(registry_.DeleteValue(kScratch + "\\Missing", "V"));
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, kScratchSubKey)) << "the key stays";
}

// ---------------------------------------------------------------------------------------------------------
// Enumerations.

TEST_F(RegistryAccessTest, EnumSubKeysListsEveryNameUpTo255Characters) {
  const std::string longName(255, 'k');
  for (const std::string& name : {std::string("乙"), std::string("甲"), std::string("b")}) {
    ASSERT_TRUE(RawCreateKey(HKEY_CURRENT_USER, Sub(name)));
  }
  // Created relative to the scratch key: Wine's A functions refuse sub-key paths beyond MAX_PATH.
  HKEY scratchKey = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kScratchSubKey.c_str(), 0, KEY_ALL_ACCESS, &scratchKey),
            ERROR_SUCCESS);
  const bool longCreated = RawCreateKey(scratchKey, longName);
  RegCloseKey(scratchKey);
  ASSERT_TRUE(longCreated);
  ASSERT_EQ(RawSubKeyNames(HKEY_CURRENT_USER, kScratchSubKey).size(), 4u);
  std::vector<std::string> names{"left over"};
  EXPECT_EQ(registry_.EnumSubKeys(kScratch, names), 4);
  EXPECT_EQ(names, RawSubKeyNames(HKEY_CURRENT_USER, kScratchSubKey));
  EXPECT_NE(std::find(names.begin(), names.end(), longName), names.end());
  RawCreateKey(HKEY_CURRENT_USER, Sub("b\\child"));
  EXPECT_EQ(registry_.EnumSubKeys(kScratch + "\\b", names), 1);
  EXPECT_EQ(names, std::vector<std::string>{"child"});
  EXPECT_EQ(registry_.EnumSubKeys(kScratch + "\\b\\child", names), 0);
  EXPECT_TRUE(names.empty());
}

TEST_F(RegistryAccessTest, EnumValuesGivesParallelNamesDataAndTypes) {
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "文本", REG_SZ, "中\0"s));
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "B", REG_BINARY, "\x00\x01"s));
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "D", REG_DWORD, Dword(5)));
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, kScratchSubKey, "Empty", REG_BINARY, ""));
  std::vector<std::string> names{"x"}, data{"x"};
  std::vector<DWORD> types{9};
  ASSERT_EQ(registry_.EnumValues(kScratch, names, data, types), 4);
  ASSERT_EQ(data.size(), 4u);
  ASSERT_EQ(types.size(), 4u);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto raw = RawGetValue(HKEY_CURRENT_USER, kScratchSubKey, names[i]);
    ASSERT_TRUE(raw.has_value()) << names[i];
    EXPECT_EQ(data[i], raw->data) << names[i];
    EXPECT_EQ(types[i], raw->type) << names[i];
  }
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"B", "D", "Empty", "文本"}));

  RawCreateKey(HKEY_CURRENT_USER, Sub("NoValues"));
  EXPECT_EQ(registry_.EnumValues(kScratch + "\\NoValues", names, data, types), 0);
  EXPECT_TRUE(names.empty() && data.empty() && types.empty());
}

// A message-only window that counts the WM_APP messages it handles.
class CountingWindow {
 public:
  CountingWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &CountingWindow::Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QuilletSettingsTestCounter";
    RegisterClassA(&windowClass);
    window_ = CreateWindowA("QuilletSettingsTestCounter", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            windowClass.hInstance, nullptr);
    handled_ = 0;
  }
  ~CountingWindow() { DestroyWindow(window_); }
  void Post() { PostMessageA(window_, WM_APP, 0, 0); }
  int Handled() const { return handled_; }
  bool StillWaiting() {
    MSG message;
    return PeekMessageA(&message, window_, WM_APP, WM_APP, PM_REMOVE) != 0;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
      ++handled_;
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
  static inline int handled_ = 0;
  HWND window_ = nullptr;
};

TEST_F(RegistryAccessTest, EnumerationsHandleWaitingMessagesAfterEachItem) {
  RawCreateKey(HKEY_CURRENT_USER, Sub("Empty"));
  RawCreateKey(HKEY_CURRENT_USER, Sub("Full\\One"));
  RawCreateKey(HKEY_CURRENT_USER, Sub("Full\\Two"));
  ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, Sub("Full"), "V", REG_DWORD, Dword(1)));
  CountingWindow window;
  std::vector<std::string> names, data;
  std::vector<DWORD> types;

  window.Post();
  EXPECT_EQ(registry_.EnumSubKeys(kScratch + "\\Empty", names), 0);
  EXPECT_EQ(registry_.EnumValues(kScratch + "\\Empty", names, data, types), 0);
  EXPECT_EQ(window.Handled(), 0) << "no item, no message handled";

  EXPECT_EQ(registry_.EnumSubKeys(kScratch + "\\Full", names), 2);
  EXPECT_EQ(window.Handled(), 1);
  window.Post();
  EXPECT_EQ(registry_.EnumValues(kScratch + "\\Full", names, data, types), 1);
  EXPECT_EQ(window.Handled(), 2);
  window.Post();
  EXPECT_TRUE(registry_.DeleteKeyTree(kScratch + "\\Full"));
  EXPECT_EQ(window.Handled(), 3) << "a clear lets messages through while it enumerates";
  EXPECT_FALSE(window.StillWaiting());
}

TEST_F(RegistryAccessTest, QuitMessageSurvivesAnEnumeration) {
  RawCreateKey(HKEY_CURRENT_USER, Sub("One"));
  PostQuitMessage(3);
  std::vector<std::string> names;
  EXPECT_EQ(registry_.EnumSubKeys(kScratch, names), 1);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
}

// ---------------------------------------------------------------------------------------------------------
// The class itself.

TEST(RegistryAccessClass, HoldsNothingButItsTableOfOperations) {
  static_assert(std::is_polymorphic_v<RegistryAccess>);
  static_assert(sizeof(RegistryAccess) == sizeof(void*));
  ScratchRegistry scratch;
  const RegistryAccess original;
  const std::unique_ptr<RegistryAccess> copy = original.Copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->WriteInteger(kScratch, "V", 3));
  EXPECT_EQ(original.ReadInteger(kScratch, "V"), 3);
}

}  // namespace
}  // namespace settings
