// A small JSON reader for what mdb-json and mdb-reader print (tests only). Lenient about raw control
// characters inside strings, which mdb-json passes through.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace jet_writer_test {

struct Json {
  enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
  std::string text;  // String: UTF-8; Number: as written; Bool: "true"/"false"
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  const Json* Member(std::string_view name) const {
    for (const auto& m : members)
      if (m.first == name) return &m.second;
    return nullptr;
  }
};

class JsonParser {
 public:
  explicit JsonParser(std::string_view s) : s_(s) {}
  bool Parse(Json& out) {
    bool ok = Value(out);
    Space();
    return ok && i_ == s_.size();
  }
  // Parses one value and leaves the rest (for one object per line).
  bool ParseValue(Json& out) { return Value(out); }

 private:
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) ++i_;
  }
  bool Value(Json& out) {
    Space();
    if (i_ >= s_.size()) return false;
    char c = s_[i_];
    if (c == '{') {
      out.kind = Json::Object;
      ++i_;
      Space();
      if (i_ < s_.size() && s_[i_] == '}') return ++i_, true;
      while (true) {
        Json key;
        Space();
        if (!Str(key.text)) return false;
        Space();
        if (i_ >= s_.size() || s_[i_++] != ':') return false;
        Json v;
        if (!Value(v)) return false;
        out.members.emplace_back(key.text, std::move(v));
        Space();
        if (i_ < s_.size() && s_[i_] == ',') { ++i_; continue; }
        if (i_ < s_.size() && s_[i_] == '}') return ++i_, true;
        return false;
      }
    }
    if (c == '[') {
      out.kind = Json::Array;
      ++i_;
      Space();
      if (i_ < s_.size() && s_[i_] == ']') return ++i_, true;
      while (true) {
        Json v;
        if (!Value(v)) return false;
        out.items.push_back(std::move(v));
        Space();
        if (i_ < s_.size() && s_[i_] == ',') { ++i_; continue; }
        if (i_ < s_.size() && s_[i_] == ']') return ++i_, true;
        return false;
      }
    }
    if (c == '"') {
      out.kind = Json::String;
      return Str(out.text);
    }
    for (const char* word : {"null", "true", "false"}) {
      std::string_view w(word);
      if (s_.substr(i_, w.size()) == w) {
        i_ += w.size();
        out.kind = w == "null" ? Json::Null : Json::Bool;
        out.text = std::string(w);
        return true;
      }
    }
    size_t start = i_;
    while (i_ < s_.size() && std::string_view("+-.eE0123456789").find(s_[i_]) != std::string_view::npos) ++i_;
    if (i_ == start) return false;
    out.kind = Json::Number;
    out.text = std::string(s_.substr(start, i_ - start));
    return true;
  }
  static void Utf8(std::string& out, uint32_t cp) {
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
  bool Hex(uint32_t& v) {
    if (i_ + 4 > s_.size()) return false;
    v = 0;
    for (int k = 0; k < 4; ++k) {
      char c = s_[i_++];
      v <<= 4;
      if (c >= '0' && c <= '9') v |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') v |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') v |= static_cast<uint32_t>(c - 'A' + 10);
      else return false;
    }
    return true;
  }
  bool Str(std::string& out) {
    if (i_ >= s_.size() || s_[i_] != '"') return false;
    ++i_;
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
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'u': {
          uint32_t cp;
          if (!Hex(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && s_.substr(i_, 2) == "\\u") {
            i_ += 2;
            uint32_t low;
            if (!Hex(low)) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          Utf8(out, cp);
          break;
        }
        default: out.push_back(e);
      }
    }
    return false;
  }
  std::string_view s_;
  size_t i_ = 0;
};

}  // namespace jet_writer_test
