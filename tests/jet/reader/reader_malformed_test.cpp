// Damaged files: each case takes a fixture, breaks one thing in a copy (in memory and, for a few, on disk)
// and expects a clean error that names the place. Run under the sanitizers natively, so a crash, an
// overrun or undefined behaviour fails the test as well. Also replays the fuzzer's regression inputs.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "history/jet/data_page.h"
#include "history/jet/engine.h"
#include "history/jet/page_format.h"
#include "history/jet/tdef.h"
#include "history/jet/usage_map.h"
#include "tests/jet/reader/reader_test_support.h"

namespace {

using jet::internal::Get16;
using jet::internal::Get32;
using jet::internal::kPageSize;
using jet::internal::Put16;
using jet::internal::Put32;

// Where things are in a file, found through the engine's own layers on the undamaged bytes.
class Locator {
 public:
  explicit Locator(const std::string& bytes) {
    auto engine =
        jet::internal::OpenEngine(std::make_unique<jet::MemoryFile>(bytes), jet::OpenMode::ReadOnly);
    EXPECT_TRUE(engine.ok()) << engine.message();
    engine_ = *engine;
  }

  jet::internal::TableDef Definition(std::u16string_view table) const {
    const auto* entry = engine_->FindTableEntry(table);
    EXPECT_NE(entry, nullptr);
    auto def = jet::internal::ReadTableDef(*engine_, entry->DefinitionPage());
    EXPECT_TRUE(def.ok()) << def.message();
    return *def;
  }
  uint32_t TdefPage(std::u16string_view table) const { return Definition(table).page; }
  // The first data page of the table.
  uint32_t DataPage(std::u16string_view table) const {
    auto pages = jet::internal::ReadUsageMap(*engine_, Definition(table).ownedPages);
    EXPECT_TRUE(pages.ok() && !pages->empty());
    return pages->front();
  }
  // File offset of the first byte of slot `slot` of `page`, and of its end.
  std::pair<size_t, size_t> Row(const std::string& bytes, uint32_t page, uint16_t slot) const {
    jet::internal::PageBuffer p;
    std::memcpy(p.data(), bytes.data() + size_t{page} * kPageSize, kPageSize);
    auto s = jet::internal::DataPageRow(p, page, slot, true);
    EXPECT_TRUE(s.ok()) << s.message();
    return {size_t{page} * kPageSize + s->start, size_t{page} * kPageSize + s->end};
  }
  // File offset of the value of variable column `varIndex` in the row [start, end).
  static size_t VarField(const std::string& bytes, size_t start, size_t end, uint16_t varIndex) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    uint32_t ncols = Get16(b + start);
    size_t base = end - (ncols + 7) / 8;
    return start + Get16(b + base - 4 - 2 * varIndex);
  }
  // File offset of the 12-byte long-value header of `column` in the first row of `table`.
  size_t LongValueHeader(const std::string& bytes, std::u16string_view table,
                         std::u16string_view column) const {
    auto def = Definition(table);
    auto [start, end] = Row(bytes, DataPage(table), 0);
    for (const auto& c : def.columns) {
      if (jet::internal::NamesEqual(c.name, column))
        return VarField(bytes, start, end, c.varIndex);
    }
    ADD_FAILURE() << "no column";
    return 0;
  }
  const jet::internal::Engine& engine() const { return *engine_; }

 private:
  std::shared_ptr<jet::internal::Engine> engine_;
};

uint8_t* At(std::string& bytes, size_t offset) {
  return reinterpret_cast<uint8_t*>(bytes.data()) + offset;
}
size_t PageAt(uint32_t page) {
  return size_t{page} * kPageSize;
}

struct DamageCase {
  const char* name;
  const char* fixture;
  std::function<void(std::string&, const Locator&)> damage;
  const char* expected;  // part of the error message
};

std::ostream& operator<<(std::ostream& os, const DamageCase& c) {
  return os << c.name;
}

const char kOverflow[] = "05-overflow-rows-nulls.mdb";
const char kChain[] = "07-unicode-compression-cjk.mdb";

const DamageCase kCases[] = {
    // The file as a whole.
    {"truncated_to_one_page", kOverflow, [](std::string& b, const Locator&) { b.resize(kPageSize); },
     "file too short for a Jet database (4096 bytes"},
    {"truncated_inside_page_1", kOverflow, [](std::string& b, const Locator&) { b.resize(6000); },
     "file too short"},
    {"empty", kOverflow, [](std::string& b, const Locator&) { b.clear(); }, "file too short"},
    {"truncated_before_the_data_page", kOverflow,
     [](std::string& b, const Locator& l) { b.resize(PageAt(l.DataPage(u"Table1"))); },
     "past the end of the file"},
    {"truncated_before_the_catalog", kOverflow,
     [](std::string& b, const Locator&) { b.resize(2 * kPageSize); }, "page 2 is past the end of the file"},
    // The header.
    {"not_jet", kOverflow, [](std::string& b, const Locator&) { b[4] = 'X'; }, "page 0: not a Jet database"},
    {"bad_page0_type", kOverflow, [](std::string& b, const Locator&) { b[0] = 2; },
     "page 0: not a Jet database"},
    {"jet3", kOverflow, [](std::string& b, const Locator&) { b[0x14] = 0; }, "page 0: a Jet 3 database"},
    {"ace", kOverflow, [](std::string& b, const Locator&) { b[0x14] = 2; }, "page 0: a version 2 database"},
    {"encrypted", kOverflow, [](std::string& b, const Locator&) { b[0x3E] ^= 0x5A; },
     "page 0: the database is encrypted"},
    {"password", kOverflow, [](std::string& b, const Locator&) { b[0x42] ^= 'p'; },
     "page 0: the database has a password"},
    // Table definitions.
    {"catalog_not_a_tdef", kOverflow, [](std::string& b, const Locator&) { b[PageAt(2)] = 1; },
     "page 2: expected a table definition page (type 2), found type 1"},
    {"tdef_chain_loops", kOverflow, [](std::string& b, const Locator&) { Put32(At(b, PageAt(2) + 4), 2); },
     "page 2: table definition chain loops"},
    {"tdef_chain_past_end", kOverflow,
     [](std::string& b, const Locator&) { Put32(At(b, PageAt(2) + 4), 0xFFFFFF); },
     "page 16777215 is past the end of the file"},
    {"tdef_length_too_long", kOverflow,
     [](std::string& b, const Locator&) { Put32(At(b, PageAt(2) + 8), 9000); },
     "page 2: table definition length 9000 exceeds its 1 page(s)"},
    {"tdef_column_count_too_big", kOverflow,
     [](std::string& b, const Locator& l) { Put16(At(b, PageAt(l.TdefPage(u"Table1")) + 45), 0xFFFF); },
     "table definition ends inside the column descriptors"},
    {"tdef_index_count_too_big", kOverflow,
     [](std::string& b, const Locator& l) { Put32(At(b, PageAt(l.TdefPage(u"Table1")) + 51), 0x7FFFFFFF); },
     "index counts do not fit the table definition"},
    {"tdef_duplicate_column_number", kOverflow,
     [](std::string& b, const Locator& l) {
       auto def = l.Definition(u"Table1");
       size_t first = PageAt(def.page) + 63 + 12 * def.realIndexCount;
       Put16(At(b, first + 25 + 5), Get16(At(b, first + 5)));  // descriptor 1 gets descriptor 0's number
     },
     "two columns share column number"},
    // Usage maps.
    {"owned_map_on_missing_page", kOverflow,
     [](std::string& b, const Locator& l) { Put32(At(b, PageAt(l.TdefPage(u"Table1")) + 55), 0xFFFFF00); },
     "is past the end of the file"},
    {"owned_map_on_a_tdef_page", kOverflow,
     [](std::string& b, const Locator& l) { Put32(At(b, PageAt(l.TdefPage(u"Table1")) + 55), 2u << 8); },
     "page 2: expected a data page holding a usage map, found type 2"},
    {"usage_map_unknown_type", kOverflow,
     [](std::string& b, const Locator& l) {
       auto map = l.Definition(u"Table1").ownedPages;
       b[l.Row(b, map.page, map.row).first] = 7;
     },
     "unknown usage map type 7"},
    {"usage_map_names_pages_past_end", kOverflow,
     [](std::string& b, const Locator& l) {
       auto map = l.Definition(u"Table1").ownedPages;
       Put32(At(b, l.Row(b, map.page, map.row).first + 1), 0xFFFF00);
     },
     "usage map names page 16776"},
    {"reference_map_to_a_wrong_page", kOverflow,
     [](std::string& b, const Locator& l) {
       auto map = l.Definition(u"Table1").ownedPages;
       auto [start, end] = l.Row(b, map.page, map.row);
       std::fill(b.begin() + static_cast<long>(start), b.begin() + static_cast<long>(end), '\0');
       b[start] = 1;
       Put32(At(b, start + 1), 2);
     },
     "page 2: expected a usage map page (type 5), found type 2"},
    {"reference_map_past_end", kOverflow,
     [](std::string& b, const Locator& l) {
       auto map = l.Definition(u"Table1").ownedPages;
       auto [start, end] = l.Row(b, map.page, map.row);
       std::fill(b.begin() + static_cast<long>(start), b.begin() + static_cast<long>(end), '\0');
       b[start] = 1;
       Put32(At(b, start + 1), 123456);
     },
     "bitmap page 123456, past the end of the file"},
    // Data pages and rows.
    {"row_count_too_big", kOverflow,
     [](std::string& b, const Locator& l) { Put16(At(b, PageAt(l.DataPage(u"Table1")) + 12), 0xFFFF); },
     "row count 65535 does not fit the page"},
    {"row_offset_out_of_range", kOverflow,
     [](std::string& b, const Locator& l) { Put16(At(b, PageAt(l.DataPage(u"Table1")) + 14), 0x0005); },
     "row 0 offsets out of range"},
    {"row_offsets_reversed", kOverflow,
     [](std::string& b, const Locator& l) { Put16(At(b, PageAt(l.DataPage(u"Table1")) + 16), 0x0FF0); },
     "row 1 offsets out of range"},
    {"row_column_count_too_big", kOverflow,
     [](std::string& b, const Locator& l) { Put16(At(b, l.Row(b, l.DataPage(u"Table1"), 0).first), 0xFFFF); },
     "row too short for its null mask"},
    {"row_var_offset_out_of_range", kOverflow,
     [](std::string& b, const Locator& l) {
       auto [start, end] = l.Row(b, l.DataPage(u"Table1"), 0);
       uint32_t ncols = Get16(At(b, start));
       Put16(At(b, end - (ncols + 7) / 8 - 4), 0x0FFF);
     },
     "row's variable-length offset 0 out of range"},
    {"row_var_count_too_big", kOverflow,
     [](std::string& b, const Locator& l) {
       auto [start, end] = l.Row(b, l.DataPage(u"Table1"), 0);
       uint32_t ncols = Get16(At(b, start));
       Put16(At(b, end - (ncols + 7) / 8 - 2), 0x7FFF);
     },
     "variable-length table does not fit the row"},
    // Overflow rows: slot 2 of the data page points elsewhere.
    {"overflow_pointer_loops", kOverflow,
     [](std::string& b, const Locator& l) {
       uint32_t page = l.DataPage(u"Table1");
       Put32(At(b, l.Row(b, page, 2).first), (page << 8) | 2);
     },
     "overflow row pointers loop"},
    {"overflow_pointer_past_end", kOverflow,
     [](std::string& b, const Locator& l) {
       Put32(At(b, l.Row(b, l.DataPage(u"Table1"), 2).first), 0xFFFF00);
     },
     "page 65535 is past the end of the file"},
    {"overflow_pointer_to_another_page_kind", kOverflow,
     [](std::string& b, const Locator& l) {
       Put32(At(b, l.Row(b, l.DataPage(u"Table1"), 2).first), 2u << 8);
     },
     "page 2: overflow row target is not a data page of this table"},
    {"overflow_pointer_to_missing_row", kOverflow,
     [](std::string& b, const Locator& l) {
       uint32_t page = l.DataPage(u"Table1");
       Put32(At(b, l.Row(b, page, 2).first), (page << 8) | 200);
     },
     "row 200 does not exist"},
    // Long values: the one-element chain of MSysNameMap.NameMap in fixture 07.
    {"long_value_chain_loops", kChain,
     [](std::string& b, const Locator& l) {
       size_t header = l.LongValueHeader(b, u"MSysNameMap", u"NameMap");
       uint32_t first = Get32(At(b, header + 4));
       Put32(At(b, header), 5000);  // longer than the chain holds
       Put32(At(b, l.Row(b, first >> 8, first & 0xFF).first), first);
     },
     "long-value chain loops back"},
    {"long_value_chain_ends_early", kChain,
     [](std::string& b, const Locator& l) {
       Put32(At(b, l.LongValueHeader(b, u"MSysNameMap", u"NameMap")), 5000);
     },
     "long-value chain ends after"},
    {"long_value_larger_than_file", kChain,
     [](std::string& b, const Locator& l) {
       Put32(At(b, l.LongValueHeader(b, u"MSysNameMap", u"NameMap")), 0x3FFFFFFF);
     },
     "long value larger than the file"},
    {"long_value_pointer_past_end", kChain,
     [](std::string& b, const Locator& l) {
       Put32(At(b, l.LongValueHeader(b, u"MSysNameMap", u"NameMap") + 4), 0xFFFF00);
     },
     "page 65535 is past the end of the file"},
    {"long_value_pointer_to_a_tdef", kChain,
     [](std::string& b, const Locator& l) {
       Put32(At(b, l.LongValueHeader(b, u"MSysNameMap", u"NameMap") + 4), 2u << 8);
     },
     "page 2: expected a long-value (LVAL) page"},
    {"long_value_both_flags", kChain,
     [](std::string& b, const Locator& l) {
       Put32(At(b, l.LongValueHeader(b, u"MSysNameMap", u"NameMap")), 0xC0000010);
     },
     "long-value header with both storage flags"},
    {"long_value_inline_too_long", kChain,
     [](std::string& b, const Locator& l) {
       Put32(At(b, l.LongValueHeader(b, u"MSysNameMap", u"NameMap")), 0x80000000 | 0x3FFFFFFF);
     },
     "inline long value longer than its field"},
};

class DamagedFile : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedFile, GivesAnErrorThatSaysWhatIsWrong) {
  const DamageCase& c = GetParam();
  std::string bytes = jet_test::ReadBytes(jet_test::FixturePath(c.fixture));
  ASSERT_FALSE(bytes.empty());
  Locator locator(bytes);
  c.damage(bytes, locator);
  jet::Status s = jet_test::ReadEverythingInMemory(bytes);
  ASSERT_FALSE(s.ok()) << "the damaged file read without error";
  EXPECT_NE(s.message().find(c.expected), std::string::npos) << s.message();
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedFile, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

TEST(DamagedFileOnDisk, TruncatedCopyGivesAnErrorWithThePath) {
  jet_test::TempDir dir;
  std::string path = dir.File("short.mdb");
  std::string bytes = jet_test::ReadBytes(jet_test::FixturePath(kOverflow));
  bytes.resize(kPageSize + 100);
  jet_test::WriteBytes(path, bytes);
  auto db = jet::Database::Open(path, jet::OpenMode::ReadOnly);
  ASSERT_FALSE(db.ok());
  EXPECT_NE(db.message().find("short.mdb: file too short"), std::string::npos) << db.message();
}

TEST(LongValueChain, ReadsAChainThatSpansPages) {
  // Extend the one-element chain of fixture 07 by a second LVAL page appended to the file.
  std::string bytes = jet_test::ReadBytes(jet_test::FixturePath(kChain));
  Locator l(bytes);
  size_t header = l.LongValueHeader(bytes, u"MSysNameMap", u"NameMap");
  uint32_t first = Get32(At(bytes, header + 4));
  auto [start, end] = l.Row(bytes, first >> 8, first & 0xFF);
  std::string firstChunk = bytes.substr(start + 4, end - start - 4);
  uint32_t newPage = static_cast<uint32_t>(bytes.size() / kPageSize);
  std::string page(kPageSize, '\0');
  const std::string tail(3000, 'X');
  page[0] = 1;
  page[1] = 1;
  Put32(At(page, 4), jet::internal::kLongValueTag);
  Put16(At(page, 12), 1);
  Put16(At(page, 14), static_cast<uint16_t>(kPageSize - 4 - tail.size()));
  Put16(At(page, 2), static_cast<uint16_t>(kPageSize - 14 - 2 - 4 - tail.size()));
  page.replace(kPageSize - tail.size(), tail.size(), tail);  // next pointer (0) stays before it
  bytes += page;
  Put32(At(bytes, start), newPage << 8);
  Put32(At(bytes, header), static_cast<uint32_t>(firstChunk.size() + tail.size()));

  auto db = jet::Database::Open(std::make_unique<jet::MemoryFile>(bytes), jet::OpenMode::ReadOnly);
  ASSERT_TRUE(db.ok()) << db.message();
  auto t = db->FindTable(u"MSysNameMap");
  ASSERT_TRUE(t.ok());
  auto rows = t->ReadAllRows();
  ASSERT_TRUE(rows.ok()) << rows.message();
  EXPECT_EQ((*rows)[0][t->ColumnIndex(u"NameMap")].AsBytes(), firstChunk + tail);
}

// Every input the fuzzer ever found troublesome reads to a result (a value or an error), without a crash.
TEST(FuzzRegressions, ReplayCleanly) {
  std::filesystem::path dir = jet_test::PathFromUtf8(std::string(QUILLET_SOURCE_DIR) + "/fuzz/regressions");
#ifdef _WIN32
  dir = jet_test::PathFromUtf8(std::string("Z:") + QUILLET_SOURCE_DIR + "/fuzz/regressions");
#endif
  if (!std::filesystem::exists(dir))
    GTEST_SKIP() << "no regression inputs";
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file() || jet_test::PathToUtf8(entry.path().filename())[0] == '.')
      continue;
    std::string bytes = jet_test::ReadBytes(jet_test::PathToUtf8(entry.path()));
    jet::Status s = jet_test::ReadEverythingInMemory(bytes);
    if (!s.ok())
      EXPECT_FALSE(s.message().empty());
    ++replayed;
  }
  RecordProperty("replayed", replayed);
}

}  // namespace
