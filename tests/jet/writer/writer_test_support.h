// Helpers of the writer's tests: temporary folders, whole-file bytes, the rows our engine reads back,
// and (natively) the rows the independent readers mdb-json and mdb-reader see.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "history/jet/check_database.h"
#include "history/jet/database.h"

namespace jet_writer_test {

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
      fs::path p = fs::temp_directory_path() / ("quillet-jetw-" + std::to_string(rd()) + std::to_string(attempt));
      std::error_code ec;
      if (fs::create_directory(p, ec)) {
        path_ = p;
        return;
      }
    }
    ADD_FAILURE() << "cannot make a temporary folder";
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Fixture(const std::string& name) { return std::string(QUILLET_FIXTURE_DIR) + "/" + name; }

// A row as text: nullopt for NULL.
using TextRow = std::vector<std::optional<std::u16string>>;

inline TextRow Texts(const std::vector<jet::Value>& row) {
  TextRow out;
  for (const auto& v : row) out.push_back(v.IsNull() ? std::nullopt : std::optional<std::u16string>(v.ToText()));
  return out;
}

// Every row of `table` as our engine reads it, the TDEF row count in `count`.
inline std::vector<TextRow> EngineRows(const std::string& path, const std::u16string& table, uint32_t* count = nullptr) {
  auto db = jet::Database::Open(path, jet::OpenMode::ReadOnly);
  EXPECT_TRUE(db.ok()) << db.message();
  if (!db) return {};
  auto t = db->FindTable(table);
  EXPECT_TRUE(t.ok()) << t.message();
  if (!t) return {};
  if (count) *count = t->RowCount();
  auto rows = t->ReadAllRows();
  EXPECT_TRUE(rows.ok()) << rows.message();
  std::vector<TextRow> out;
  if (rows)
    for (const auto& r : *rows) out.push_back(Texts(r));
  return out;
}

// The structural check; damage fails the test, and only notes of unused pages and of a row count
// left one short by an interrupted append are accepted.
inline void ExpectNoDamage(const std::string& path, bool allowCrashNotes = false) {
  auto report = jet::CheckDatabaseFile(path);
  ASSERT_TRUE(report.ok()) << report.message();
  for (const auto& d : report->damage) ADD_FAILURE() << path << ": " << d;
  for (const auto& n : report->notes) {
    bool unused = n.rfind("unused pages", 0) == 0;
    bool shortCount = n.find("append was interrupted") != std::string::npos;
    if (!(unused || (allowCrashNotes && shortCount))) ADD_FAILURE() << path << ": unexpected note: " << n;
  }
}

inline std::u16string U(const std::string& utf8) { return jet::FromUtf8(utf8); }

}  // namespace jet_writer_test
