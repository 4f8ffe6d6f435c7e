// quillet-db create | check | import: the writing half of the tool.
//   create FILE [--force]   a fresh history database (table "Data"); refuses to replace a file unless --force
//   check FILE              structural check; exit 0 when there is no damage, 1 with damage
//   import FILE [TABLE]     appends JSON lines from stdin: {"id": ..., "time": ..., "text": ...}; the text
//                           (UTF-8) is stored as Base64 of its UTF-8 bytes and one zero byte
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "history/codec/stored_text_codec.h"
#include "history/jet/check_database.h"
#include "history/jet/database.h"
#include "tools/quillet-db/write_commands.h"

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

int Fail(const std::string& message) {
  std::fprintf(stderr, "quillet-db: %s\n", message.c_str());
  return kFailed;
}

// A JSON scalar of an import line: a string, a number (kept as its text) or null.
struct JsonScalar {
  bool null = true;
  std::string text;  // UTF-8
};

class LineParser {
 public:
  explicit LineParser(std::string_view s) : s_(s) {}

  // Fills `fields` with the members of one flat object; false with `error` set otherwise.
  bool Object(std::vector<std::pair<std::string, JsonScalar>>& fields, std::string& error) {
    Space();
    if (!Eat('{')) return Err(error, "expected {");
    Space();
    if (Eat('}')) return End(error);
    while (true) {
      Space();
      std::string key;
      if (!String(key)) return Err(error, "expected a member name");
      Space();
      if (!Eat(':')) return Err(error, "expected :");
      Space();
      JsonScalar value;
      if (Peek('"')) {
        if (!String(value.text)) return Err(error, "bad string");
        value.null = false;
      } else if (s_.substr(i_, 4) == "null") {
        i_ += 4;
      } else {
        size_t start = i_;
        while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || std::string_view("+-.eE").find(s_[i_]) != std::string_view::npos)) ++i_;
        if (i_ == start) return Err(error, "expected a string, a number or null");
        value.text = std::string(s_.substr(start, i_ - start));
        value.null = false;
      }
      fields.emplace_back(std::move(key), std::move(value));
      Space();
      if (Eat(',')) continue;
      if (Eat('}')) return End(error);
      return Err(error, "expected , or }");
    }
  }

 private:
  bool End(std::string& error) {
    Space();
    return i_ == s_.size() ? true : Err(error, "text after the object");
  }
  static bool Err(std::string& error, const char* what) {
    error = what;
    return false;
  }
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
  }
  bool Peek(char c) const { return i_ < s_.size() && s_[i_] == c; }
  bool Eat(char c) {
    if (!Peek(c)) return false;
    ++i_;
    return true;
  }
  bool Hex4(uint32_t& v) {
    if (i_ + 4 > s_.size()) return false;
    v = 0;
    for (int k = 0; k < 4; ++k) {
      char c = s_[i_++];
      v <<= 4;
      if (c >= '0' && c <= '9') v |= c - '0';
      else if (c >= 'a' && c <= 'f') v |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') v |= c - 'A' + 10;
      else return false;
    }
    return true;
  }
  static void PutUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    while (i_ < s_.size()) {
      char c = s_[i_++];
      if (c == '"') return true;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (i_ >= s_.size()) return false;
      char e = s_[i_++];
      switch (e) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case '/': out.push_back('/'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'u': {
          uint32_t cp;
          if (!Hex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && s_.substr(i_, 2) == "\\u") {
            size_t save = i_;
            i_ += 2;
            uint32_t low;
            if (Hex4(low) && low >= 0xDC00 && low < 0xE000) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              i_ = save;
              cp = 0xFFFD;
            }
          } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
          }
          PutUtf8(out, cp);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }

  std::string_view s_;
  size_t i_ = 0;
};

jet::Value TextOrNull(const std::optional<std::string>& utf8) {
  if (!utf8 || utf8->empty()) return jet::Value::Null();  // the store writes an empty text as NULL
  return jet::Value::Text(jet::FromUtf8(*utf8));
}

}  // namespace

int RunCreate(int argc, char** argv) {
  std::string path;
  bool force = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--force") force = true;
    else if (path.empty() && !a.empty() && a[0] != '-') path = a;
    else return kUsage;
  }
  if (path.empty()) return kUsage;
  jet::Status s = jet::CreateHistoryDatabase(path, force);
  if (!s) return Fail(s.message());
  return kOk;
}

int RunCheck(int argc, char** argv) {
  if (argc != 2) return kUsage;
  auto report = jet::CheckDatabaseFile(argv[1]);
  if (!report) return Fail(std::string(argv[1]) + ": " + report.message());
  for (const auto& d : report->damage) std::printf("damage: %s\n", d.c_str());
  for (const auto& n : report->notes) std::printf("note: %s\n", n.c_str());
  std::printf("%s: %u pages, %u tables, %llu rows: %s\n", argv[1], report->pages, report->tables,
              static_cast<unsigned long long>(report->rows),
              report->clean() ? "no damage" : (std::to_string(report->damage.size()) + " finding(s)").c_str());
  return report->clean() ? kOk : kFailed;
}

int RunImport(int argc, char** argv) {
  if (argc != 2 && argc != 3) return kUsage;
  const std::string path = argv[1];
  const std::u16string table = argc == 3 ? jet::FromUtf8(argv[2]) : std::u16string(u"Data");
  auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
  if (!db) return Fail(db.message());
  std::string line;
  uint64_t lineNumber = 0, imported = 0;
  while (std::getline(std::cin, line)) {
    ++lineNumber;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    std::vector<std::pair<std::string, JsonScalar>> fields;
    std::string error;
    if (!LineParser(line).Object(fields, error))
      return Fail("line " + std::to_string(lineNumber) + ": " + error + " (" + std::to_string(imported) + " rows imported)");
    std::optional<std::string> id, time, text;
    for (const auto& [key, value] : fields) {
      std::optional<std::string> v = value.null ? std::nullopt : std::optional<std::string>(value.text);
      if (key == "id") id = v;
      else if (key == "time") time = v;
      else if (key == "text") text = v;
    }
    std::vector<jet::Value> row;
    row.push_back(TextOrNull(id));
    row.push_back(TextOrNull(time));
    // The stored form: Base64 of the UTF-8 bytes followed by one zero byte ("" stays "").
    std::optional<std::string> stored;
    if (text && !text->empty()) stored = Base64Encode(*text + std::string(1, '\0'));
    row.push_back(TextOrNull(stored));
    jet::Status s = db->AppendRow(table, row);
    if (!s) return Fail("line " + std::to_string(lineNumber) + ": " + s.message() + " (" + std::to_string(imported) + " rows imported)");
    ++imported;
  }
  std::printf("%llu rows imported\n", static_cast<unsigned long long>(imported));
  return kOk;
}
