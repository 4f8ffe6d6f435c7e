#include "tools/quillet-db/output.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

std::string NumberText(double v, bool single) {
  if (!std::isfinite(v))
    return "null";
  char buf[64];
  auto r = single ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(v))
                  : std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace

std::string Base64(std::string_view bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t v = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                 static_cast<uint8_t>(bytes[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (i < bytes.size()) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size())
      v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

namespace {

// Length of the well-formed UTF-8 sequence starting at s[i] (a non-ASCII lead byte), or 0.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b = at(i);
  size_t n = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
  if (n == 0 || i + n > s.size())
    return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((at(i + k) & 0xC0) != 0x80)
      return 0;
  }
  unsigned char c = at(i + 1);
  if ((b == 0xE0 && c < 0xA0) || (b == 0xED && c > 0x9F) || (b == 0xF0 && c < 0x90) ||
      (b == 0xF4 && c > 0x8F)) {
    return 0;  // overlong, surrogate or past U+10FFFF
  }
  return n;
}

}  // namespace

std::string JsonString(std::string_view utf8) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(utf8.size() + 2);
  out += '"';
  for (size_t i = 0; i < utf8.size();) {
    // A run of printable ASCII that needs no escape goes in at once.
    size_t run = i;
    while (run < utf8.size()) {
      auto r = static_cast<unsigned char>(utf8[run]);
      if (r < 0x20 || r >= 0x80 || r == '"' || r == '\\')
        break;
      ++run;
    }
    if (run > i) {
      out.append(utf8.data() + i, run - i);
      i = run;
      continue;
    }
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0x80) {
      size_t n = Utf8SequenceLength(utf8, i);
      if (n == 0) {
        out += "\xEF\xBF\xBD";  // U+FFFD for a malformed byte
        ++i;
      } else {
        out.append(utf8.data() + i, n);
        i += n;
      }
      continue;
    }
    ++i;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return out;
}

std::string JsonValue(const jet::Value& value) {
  using jet::ColumnType;
  if (value.IsNull())
    return "null";
  switch (value.type()) {
    case ColumnType::Boolean:
      return value.AsBoolean() ? "true" : "false";
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
      return std::to_string(value.AsInteger());
    case ColumnType::Currency:
    case ColumnType::Numeric:
      return value.ToUtf8();
    case ColumnType::Single:
      return NumberText(value.AsDouble(), true);
    case ColumnType::Double:
      return NumberText(value.AsDouble(), false);
    case ColumnType::Text:
    case ColumnType::Memo:
    case ColumnType::DateTime:
    case ColumnType::Guid:
      return JsonString(value.ToUtf8());
    default:
      return JsonString(Base64(value.AsBytes()));
  }
}

std::string CsvField(const jet::Value& value) {
  if (value.IsNull())
    return std::string();
  std::string text;
  switch (value.type()) {
    case jet::ColumnType::Binary:
    case jet::ColumnType::Ole:
      text = Base64(value.AsBytes());
      break;
    default:
      text = value.ToUtf8();
  }
  bool plain = true;
  for (char special : {',', '"', '\r', '\n'}) {
    if (std::memchr(text.data(), special, text.size()) != nullptr)
      plain = false;
  }
  if (plain)
    return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"')
      quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}
