#include "tools/quillet-db/output.h"

#include <charconv>
#include <cmath>

namespace {

std::string NumberText(double v, bool single) {
  if (!std::isfinite(v)) return "null";
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
    if (i + 1 < bytes.size()) v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string JsonString(std::string_view utf8) {
  // Round trip through UTF-16 so that the output is valid UTF-8 whatever the input.
  std::string clean = jet::ToUtf8(jet::FromUtf8(utf8));
  std::string out;
  out.reserve(clean.size() + 2);
  out += '"';
  for (unsigned char c : clean) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20) {
          static const char kHex[] = "0123456789abcdef";
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
  if (value.IsNull()) return "null";
  switch (value.type()) {
    case ColumnType::Boolean: return value.AsBoolean() ? "true" : "false";
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long: return std::to_string(value.AsInteger());
    case ColumnType::Currency:
    case ColumnType::Numeric: return value.ToUtf8();
    case ColumnType::Single: return NumberText(value.AsDouble(), true);
    case ColumnType::Double: return NumberText(value.AsDouble(), false);
    case ColumnType::Text:
    case ColumnType::Memo:
    case ColumnType::DateTime:
    case ColumnType::Guid: return JsonString(value.ToUtf8());
    default: return JsonString(Base64(value.AsBytes()));
  }
}

std::string CsvField(const jet::Value& value) {
  if (value.IsNull()) return std::string();
  std::string text;
  switch (value.type()) {
    case jet::ColumnType::Binary:
    case jet::ColumnType::Ole: text = Base64(value.AsBytes()); break;
    default: text = value.ToUtf8();
  }
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}
