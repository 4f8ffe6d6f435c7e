// A small JSON reader for the outputs of mdb-json and mdb-reader (tests only).
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace jet_test {

struct Json {
  enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
  bool boolean = false;
  double number = 0;
  std::string text;  // String: UTF-8; Number: the literal as written
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  const Json* Find(const std::string& key) const {
    for (const auto& m : members) {
      if (m.first == key)
        return &m.second;
    }
    return nullptr;
  }
};

class JsonParser {
 public:
  explicit JsonParser(const std::string& s) : s_(s) {}
  bool Parse(Json& out) {
    bool ok = Value(out);
    Space();
    return ok;
  }
  bool AtEnd() {
    Space();
    return i_ >= s_.size();
  }

 private:
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t'))
      ++i_;
  }
  static void PutUtf8(std::string& o, uint32_t cp) {
    if (cp < 0x80) {
      o += static_cast<char>(cp);
    } else if (cp < 0x800) {
      o += static_cast<char>(0xC0 | (cp >> 6));
      o += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      o += static_cast<char>(0xE0 | (cp >> 12));
      o += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      o += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      o += static_cast<char>(0xF0 | (cp >> 18));
      o += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      o += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      o += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  bool Hex4(uint32_t& v) {
    if (i_ + 4 > s_.size())
      return false;
    v = static_cast<uint32_t>(std::strtoul(s_.substr(i_, 4).c_str(), nullptr, 16));
    i_ += 4;
    return true;
  }
  bool Str(std::string& o) {
    if (s_[i_] != '"')
      return false;
    ++i_;
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (c != '\\') {
        o += c;
        continue;
      }
      if (i_ >= s_.size())
        return false;
      char e = s_[i_++];
      switch (e) {
        case 'n':
          o += '\n';
          break;
        case 'r':
          o += '\r';
          break;
        case 't':
          o += '\t';
          break;
        case 'b':
          o += '\b';
          break;
        case 'f':
          o += '\f';
          break;
        case 'u': {
          uint32_t cp;
          if (!Hex4(cp))
            return false;
          if (cp >= 0xD800 && cp <= 0xDBFF && i_ + 6 <= s_.size() && s_[i_] == '\\' && s_[i_ + 1] == 'u') {
            i_ += 2;
            uint32_t low;
            if (!Hex4(low))
              return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          PutUtf8(o, cp);
          break;
        }
        default:
          o += e;
      }
    }
    if (i_ >= s_.size())
      return false;
    ++i_;
    return true;
  }
  bool Value(Json& v) {
    Space();
    if (i_ >= s_.size())
      return false;
    char c = s_[i_];
    if (c == '{') {
      v.kind = Json::Object;
      ++i_;
      Space();
      if (s_[i_] == '}')
        return ++i_, true;
      while (true) {
        Space();
        std::string key;
        if (!Str(key))
          return false;
        Space();
        if (s_[i_++] != ':')
          return false;
        Json item;
        if (!Value(item))
          return false;
        v.members.emplace_back(key, std::move(item));
        Space();
        if (s_[i_] == ',') {
          ++i_;
          continue;
        }
        if (s_[i_] == '}')
          return ++i_, true;
        return false;
      }
    }
    if (c == '[') {
      v.kind = Json::Array;
      ++i_;
      Space();
      if (s_[i_] == ']')
        return ++i_, true;
      while (true) {
        Json item;
        if (!Value(item))
          return false;
        v.items.push_back(std::move(item));
        Space();
        if (s_[i_] == ',') {
          ++i_;
          continue;
        }
        if (s_[i_] == ']')
          return ++i_, true;
        return false;
      }
    }
    if (c == '"') {
      v.kind = Json::String;
      return Str(v.text);
    }
    if (s_.compare(i_, 4, "null") == 0)
      return i_ += 4, v.kind = Json::Null, true;
    if (s_.compare(i_, 4, "true") == 0)
      return i_ += 4, v.kind = Json::Bool, v.boolean = true, true;
    if (s_.compare(i_, 5, "false") == 0)
      return i_ += 5, v.kind = Json::Bool, v.boolean = false, true;
    size_t start = i_;
    while (i_ < s_.size() && std::string("+-0123456789.eE").find(s_[i_]) != std::string::npos)
      ++i_;
    if (i_ == start)
      return false;
    v.kind = Json::Number;
    v.text = s_.substr(start, i_ - start);
    v.number = std::strtod(v.text.c_str(), nullptr);
    return true;
  }

  const std::string& s_;
  size_t i_ = 0;
};

}  // namespace jet_test
