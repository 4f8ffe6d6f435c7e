// Values: construction, typed forms and the text form (see database.h for the rules).
#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "history/jet/database.h"

namespace jet {
namespace {

const std::u16string kEmptyText;
const std::string kEmptyBytes;

std::u16string Ascii(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}

std::string FormatSignificant(double v, int digits) {
  if (std::isnan(v))
    return "NaN";
  if (std::isinf(v))
    return v < 0 ? "-Infinity" : "Infinity";
  if (v == 0)
    return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", digits, v);
  return buf;
}

// Days since 1899-12-30 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t days, int64_t& y, unsigned& m, unsigned& d) {
  int64_t z = days - 25569 + 719468;  // 1970-01-01 is OLE day 25569
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2)
    ++y;
}

std::string FormatOleDate(double date) {
  // Years 100..9999, the range of OLE dates.
  if (!std::isfinite(date) || date < -657434.0 || date >= 2958466.0)
    return FormatSignificant(date, 15);
  double whole = std::trunc(date);
  double fraction = std::fabs(date - whole);
  int64_t days = static_cast<int64_t>(whole);
  int64_t seconds = std::llround(fraction * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += date < 0 ? -1 : 1;
  }
  int64_t y;
  unsigned m, d;
  CivilFromDays(days, y, m, d);
  char buf[64];
  if (seconds == 0) {
    std::snprintf(buf, sizeof buf, "%04" PRId64 "-%02u-%02u", y, m, d);
  } else {
    std::snprintf(buf, sizeof buf, "%04" PRId64 "-%02u-%02u %02u:%02u:%02u", y, m, d,
                  static_cast<unsigned>(seconds / 3600), static_cast<unsigned>(seconds / 60 % 60),
                  static_cast<unsigned>(seconds % 60));
  }
  return buf;
}

// Digits of `magnitude` with a point `scale` digits from the right; trailing zeros after the point dropped.
std::string FormatScaled(std::string digits, unsigned scale, bool negative) {
  if (scale > 0) {
    if (digits.size() <= scale)
      digits.insert(0, scale - digits.size() + 1, '0');
    digits.insert(digits.size() - scale, 1, '.');
    while (digits.back() == '0')
      digits.pop_back();
    if (digits.back() == '.')
      digits.pop_back();
  }
  if (negative && digits != "0")
    digits.insert(0, 1, '-');
  return digits;
}

std::string DecimalDigits(std::array<uint32_t, 4> words) {
  std::string digits;
  while (true) {
    bool zero = true;
    uint64_t remainder = 0;
    for (int i = 3; i >= 0; --i) {
      uint64_t cur = (remainder << 32) | words[i];
      words[i] = static_cast<uint32_t>(cur / 10);
      remainder = cur % 10;
      if (words[i] != 0)
        zero = false;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + remainder));
    if (zero)
      break;
  }
  return digits;
}

}  // namespace

std::string ColumnTypeName(uint8_t typeCode) {
  switch (typeCode) {
    case 0x01:
      return "Boolean";
    case 0x02:
      return "Byte";
    case 0x03:
      return "Integer";
    case 0x04:
      return "Long";
    case 0x05:
      return "Currency";
    case 0x06:
      return "Single";
    case 0x07:
      return "Double";
    case 0x08:
      return "DateTime";
    case 0x09:
      return "Binary";
    case 0x0A:
      return "Text";
    case 0x0B:
      return "OLE";
    case 0x0C:
      return "Memo";
    case 0x0F:
      return "GUID";
    case 0x10:
      return "Numeric";
    default: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "Type 0x%02X", typeCode);
      return buf;
    }
  }
}

Value Value::Null(ColumnType type) {
  return Value(type, std::monostate{});
}
Value Value::Text(std::u16string text) {
  return Value(ColumnType::Text, std::move(text));
}
Value Value::Memo(std::u16string text) {
  return Value(ColumnType::Memo, std::move(text));
}
Value Value::Boolean(bool value) {
  return Value(ColumnType::Boolean, value);
}
Value Value::Byte(uint8_t value) {
  return Value(ColumnType::Byte, static_cast<int64_t>(value));
}
Value Value::Integer(int16_t value) {
  return Value(ColumnType::Integer, static_cast<int64_t>(value));
}
Value Value::Long(int32_t value) {
  return Value(ColumnType::Long, static_cast<int64_t>(value));
}
Value Value::Currency(int64_t tenThousandths) {
  return Value(ColumnType::Currency, tenThousandths);
}
Value Value::Single(float value) {
  return Value(ColumnType::Single, static_cast<double>(value));
}
Value Value::Double(double value) {
  return Value(ColumnType::Double, value);
}
Value Value::DateTime(double oleDate) {
  return Value(ColumnType::DateTime, oleDate);
}
Value Value::Guid(const std::array<uint8_t, 16>& bytes) {
  return Value(ColumnType::Guid, std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
Value Value::Binary(std::string bytes) {
  return Value(ColumnType::Binary, std::move(bytes));
}
Value Value::Ole(std::string bytes) {
  return Value(ColumnType::Ole, std::move(bytes));
}
Value Value::Numeric(const Decimal& value) {
  return Value(ColumnType::Numeric, value);
}

bool Value::AsBoolean() const {
  const bool* b = std::get_if<bool>(&data_);
  return b != nullptr && *b;
}

int64_t Value::AsInteger() const {
  if (const bool* b = std::get_if<bool>(&data_))
    return *b ? -1 : 0;
  if (const int64_t* i = std::get_if<int64_t>(&data_))
    return *i;
  return 0;
}

double Value::AsDouble() const {
  if (const double* d = std::get_if<double>(&data_))
    return *d;
  if (const int64_t* i = std::get_if<int64_t>(&data_)) {
    return type_ == ColumnType::Currency ? static_cast<double>(*i) / 10000.0 : static_cast<double>(*i);
  }
  if (const bool* b = std::get_if<bool>(&data_))
    return *b ? -1.0 : 0.0;
  return 0.0;
}

const std::u16string& Value::AsText() const {
  const std::u16string* t = std::get_if<std::u16string>(&data_);
  return t != nullptr ? *t : kEmptyText;
}

const std::string& Value::AsBytes() const {
  const std::string* b = std::get_if<std::string>(&data_);
  return b != nullptr ? *b : kEmptyBytes;
}

Decimal Value::AsDecimal() const {
  const Decimal* d = std::get_if<Decimal>(&data_);
  return d != nullptr ? *d : Decimal{};
}

std::u16string Value::ToText() const {
  if (IsNull())
    return std::u16string();
  if (const std::u16string* t = std::get_if<std::u16string>(&data_))
    return *t;
  switch (type_) {
    case ColumnType::Boolean:
      return AsBoolean() ? u"-1" : u"0";
    case ColumnType::Currency: {
      int64_t v = AsInteger();
      uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
      return Ascii(FormatScaled(std::to_string(magnitude), 4, v < 0));
    }
    case ColumnType::Single:
      return Ascii(FormatSignificant(AsDouble(), 7));
    case ColumnType::Double:
      return Ascii(FormatSignificant(AsDouble(), 15));
    case ColumnType::DateTime:
      return Ascii(FormatOleDate(AsDouble()));
    case ColumnType::Guid: {
      const std::string& g = AsBytes();
      if (g.size() != 16)
        break;
      const auto* b = reinterpret_cast<const uint8_t*>(g.data());
      char buf[64];
      std::snprintf(buf, sizeof buf, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                    b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                    b[14], b[15]);
      return Ascii(buf);
    }
    case ColumnType::Numeric: {
      Decimal d = AsDecimal();
      return Ascii(FormatScaled(DecimalDigits(d.magnitude), d.scale, d.negative));
    }
    default:
      break;
  }
  if (std::holds_alternative<int64_t>(data_))
    return Ascii(std::to_string(AsInteger()));
  static const char kHex[] = "0123456789abcdef";
  std::u16string hex;
  for (unsigned char c : AsBytes()) {
    hex.push_back(static_cast<char16_t>(kHex[c >> 4]));
    hex.push_back(static_cast<char16_t>(kHex[c & 15]));
  }
  return hex;
}

std::string Value::ToUtf8() const {
  if (const std::u16string* t = std::get_if<std::u16string>(&data_))
    return jet::ToUtf8(*t);
  return jet::ToUtf8(ToText());
}

std::string ToUtf8(std::u16string_view text) {
  // All ASCII (the common case, Base64 included): one narrowing copy.
  char16_t any = 0;
  for (char16_t c : text)
    any |= c;
  if (any < 0x80) {
    std::string ascii(text.size(), '\0');
    for (size_t k = 0; k < text.size(); ++k)
      ascii[k] = static_cast<char>(text[k]);
    return ascii;
  }
  std::string out(text.size() * 3, '\0');
  char* o = out.data();
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    // Runs of ASCII, eight units at a time.
    while (i + 8 <= n) {
      char16_t any = 0;
      for (size_t k = 0; k < 8; ++k)
        any |= text[i + k];
      if (any >= 0x80)
        break;
      for (size_t k = 0; k < 8; ++k)
        o[k] = static_cast<char>(text[i + k]);
      o += 8;
      i += 8;
    }
    if (i >= n)
      break;
    uint32_t cp = text[i];
    if (cp < 0x80) {
      *o++ = static_cast<char>(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x800) {
      *o++ = static_cast<char>(0xC0 | (cp >> 6));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *o++ = static_cast<char>(0xE0 | (cp >> 12));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {  // a surrogate pair: two units in, four bytes out
      *o++ = static_cast<char>(0xF0 | (cp >> 18));
      *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    uint32_t cp = 0xFFFD;
    size_t extra = 0;
    if (b < 0x80) {
      cp = b;
    } else if (b >= 0xC2 && b <= 0xDF) {
      cp = b & 0x1F;
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      cp = b & 0x0F;
      extra = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
      cp = b & 0x07;
      extra = 3;
    }
    size_t used = 1;
    if (extra > 0) {
      bool good = i + extra < text.size();
      for (size_t k = 1; good && k <= extra; ++k) {
        auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80)
          good = false;
        cp = (cp << 6) | (c & 0x3F);
      }
      uint32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
      if (good && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
        used = extra + 1;
      } else {
        cp = 0xFFFD;
      }
    }
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += used;
  }
  return out;
}

}  // namespace jet
