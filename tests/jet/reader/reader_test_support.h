// Helpers of the reader tests: fixture paths, private temporary folders, whole-file reads and writes, and
// reading every row of every table of a file.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "history/jet/database.h"

namespace jet_test {

// A fixture as a path the engine opens (under Wine the Unix path is reached through drive Z:).
inline std::string FixturePath(const std::string& name) {
#ifdef _WIN32
  return std::string("Z:") + QUILLET_FIXTURE_DIR + "/" + name;
#else
  return std::string(QUILLET_FIXTURE_DIR) + "/" + name;
#endif
}

inline std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string PathToUtf8(const std::filesystem::path& path) {
  std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder of this test's own, removed at the end.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("quillet-jet-reader-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return PathToUtf8(path_ / name); }

 private:
  std::filesystem::path path_;
};

// Opens the file and reads every row of every table, system tables included (what the fuzzer does).
inline jet::Status ReadEverything(jet::Result<jet::Database> db, size_t* rowCount = nullptr) {
  if (!db)
    return db.status();
  size_t rows = 0;
  for (const auto& name : db->AllTableNames()) {
    auto table = db->FindTable(name);
    if (!table)
      return table.status();
    jet::Status s = table->ForEachRow([&](const std::vector<jet::Value>& row) {
      for (const auto& v : row)
        (void)v.ToText();
      ++rows;
      return true;
    });
    if (!s)
      return s;
  }
  if (rowCount != nullptr)
    *rowCount = rows;
  return jet::Status::Ok();
}

inline jet::Status ReadEverything(const std::string& path, size_t* rowCount = nullptr) {
  return ReadEverything(jet::Database::Open(path, jet::OpenMode::ReadOnly), rowCount);
}

inline jet::Status ReadEverythingInMemory(std::string bytes, size_t* rowCount = nullptr) {
  return ReadEverything(
      jet::Database::Open(std::make_unique<jet::MemoryFile>(std::move(bytes)), jet::OpenMode::ReadOnly),
      rowCount);
}

inline std::vector<std::string> FixtureNames() {
  return {"01-blank-jet-adox.mdb",         "02-blank-jet-chinese-locale.mdb",
          "03-blank-access2000.mdb",       "04-deleted-rows.mdb",
          "05-overflow-rows-nulls.mdb",    "07-unicode-compression-cjk.mdb",
          "08-chinese-text-access2007.mdb"};
}

inline std::string U8(std::u16string_view s) {
  return jet::ToUtf8(s);
}

}  // namespace jet_test
