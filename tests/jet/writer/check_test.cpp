// The structural check: clean on every Access-made fixture and on what we write, and each kind of
// damage it looks for is found in a file damaged on purpose.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "history/jet/check_database.h"
#include "history/jet/database.h"
#include "history/jet/write_page.h"
#include "tests/jet/writer/writer_test_support.h"

namespace jet_writer_test {
namespace {

using jet::writer::GetU32;
using jet::writer::kPageSize;

class CheckFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(CheckFixture, AccessMadeFilesHaveNoDamage) { ExpectNoDamage(Fixture(GetParam())); }

INSTANTIATE_TEST_SUITE_P(Fixtures, CheckFixture,
                         ::testing::Values("01-blank-jet-adox.mdb", "02-blank-jet-chinese-locale.mdb",
                                           "03-blank-access2000.mdb", "04-deleted-rows.mdb",
                                           "05-overflow-rows-nulls.mdb", "07-unicode-compression-cjk.mdb",
                                           "08-chinese-text-access2007.mdb", "10-password.mdb"),
                         [](const auto& info) { return std::string(info.param).substr(0, 2); });

void FlipBit(std::string& file, size_t byte, int bit) { file[byte] = static_cast<char>(file[byte] ^ (1 << bit)); }

// Page 6 row 31 is the history table's page map; page 1 row 0 the global map (69-byte rows from the
// end of the page).
constexpr size_t kTableMapBitmap = 6 * kPageSize + (kPageSize - 69 * 32) + 5;
constexpr size_t kGlobalBitmap = 1 * kPageSize + (kPageSize - 69) + 5;

struct Damage {
  const char* name;
  std::function<void(std::string& file)> apply;
  const char* finding;
};

std::vector<Damage> Damages() {
  return {
      {"PageInTwoMaps", [](std::string& f) { FlipBit(f, kTableMapBitmap + 15 / 8, 15 % 8); }, "two maps"},
      {"MapNamesAPagePastTheEnd", [](std::string& f) { FlipBit(f, kTableMapBitmap + 400 / 8, 400 % 8); }, "past the end"},
      {"UsedPageMarkedFree", [](std::string& f) { FlipBit(f, kGlobalBitmap + 17 / 8, 17 % 8); }, "as free"},
      {"PagePastTheEndMarkedUsed", [](std::string& f) { FlipBit(f, kGlobalBitmap + 300 / 8, 300 % 8); }, "past the end of the file as used"},
      // Leaf 8 holds the catalog's Id index: 9-byte entries; joining the first two loses one.
      {"IndexEntryMissing", [](std::string& f) { FlipBit(f, 8 * kPageSize + 27 + 9 / 8, 9 % 8); }, "8 entries for 9 rows"},
      {"IndexEntriesOutOfOrder", [](std::string& f) { std::swap(f[7 * kPageSize + 0x1E0 + 6], f[7 * kPageSize + 0x1E0 + 6 + 21]); }, "out of order"},
      {"RowCountWrong", [](std::string& f) { f[16 * kPageSize + 16] = static_cast<char>(f[16 * kPageSize + 16] + 5); }, "row count"},
      {"LongValueChainLoops",
       [](std::string& f) {
         // The first element of the memo chain points at the next page; make it point at itself.
         for (uint32_t p = 17; p < f.size() / kPageSize; ++p) {
           std::string_view page(f.data() + p * kPageSize, kPageSize);
           if (page[0] != 0x01 || GetU32(page, 4) != jet::writer::kLvalTag) continue;
           uint32_t start = jet::writer::GetU16(page, 14) & 0x1FFF;
           if (GetU32(page, start) == (p + 1) << 8) {
             std::string self(4, '\0');
             jet::writer::PutU32(self, 0, p << 8);
             f.replace(p * kPageSize + start, 4, self);
             return;
           }
         }
       },
       "loops"},
  };
}

class CheckDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(CheckDamage, IsFound) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    std::u16string chain(10000, u'链');
    for (const std::u16string& memo : {std::u16string(u"YWJjAA=="), std::u16string(3000, u'x'), chain})
      ASSERT_TRUE(db->AppendRow(u"Data", {jet::Value::Text(u"0"), jet::Value::Null(), jet::Value::Memo(memo)}).ok());
  }
  ExpectNoDamage(path);
  std::string bytes = ReadBytes(path);
  GetParam().apply(bytes);
  WriteBytes(path, bytes);
  auto report = jet::CheckDatabaseFile(path);
  ASSERT_TRUE(report.ok()) << report.message();
  ASSERT_FALSE(report->clean());
  bool found = false;
  for (const auto& d : report->damage) found = found || d.find(GetParam().finding) != std::string::npos;
  EXPECT_TRUE(found) << report->damage.front();
}

INSTANTIATE_TEST_SUITE_P(Kinds, CheckDamage, ::testing::ValuesIn(Damages()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace jet_writer_test

namespace jet_writer_test {
namespace {

// Damaged files (bytes overwritten at random, seeded) never crash the check or an append: each ends
// with findings, a refusal or a success, and the appends that succeed do not break the rows the file
// had (as far as the engine still reads them).
TEST(DamagedFiles, NeitherTheCheckNorAnAppendCrashes) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    for (int i = 0; i < 40; ++i) {
      std::u16string memo(i % 5 == 0 ? 3000 + 500 * i : 20, static_cast<char16_t>(u'a' + i % 26));
      ASSERT_TRUE(db->AppendRow(u"Data", {jet::Value::Text(u"1"), jet::Value::Text(u"t"), jet::Value::Memo(memo)}).ok());
    }
  }
  const std::string good = ReadBytes(path);
  std::mt19937 rng(20171106);
  for (int round = 0; round < 300; ++round) {
    std::string bad = good;
    int hits = 1 + static_cast<int>(rng() % 8);
    for (int h = 0; h < hits; ++h) {
      // Mostly the structural pages (header, maps, TDEFs, catalog), sometimes anywhere.
      uint32_t page = rng() % 3 == 0 ? rng() % (bad.size() / kPageSize) : rng() % 18;
      size_t at = page * kPageSize + (rng() % 2 ? rng() % 64 : rng() % kPageSize);
      bad[at] = static_cast<char>(rng() % 4 == 0 ? 0xFF : rng());
    }
    WriteBytes(path, bad);
    auto report = jet::CheckDatabaseFile(path);
    (void)report;
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    if (!db) continue;
    jet::Status s = db->AppendRow(u"Data", {jet::Value::Text(u"x"), jet::Value::Null(), jet::Value::Memo(std::u16string(5000, u'z'))});
    (void)s;
  }
}

}  // namespace
}  // namespace jet_writer_test
