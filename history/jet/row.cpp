// Row layout (Jet 4):
//   [u16 ncols] [fixed area] [variable data ...] [u16 eod] [u16 varoff[nvar-1]] ... [u16 varoff[0]] [u16
//   nvar] [null mask: (ncols+7)/8 bytes, bit k = column number k, 1 = not NULL]
// Tables without variable-length columns have no eod, offsets or nvar.
#include "history/jet/row.h"

#include <cstring>

#include "history/jet/engine.h"
#include "history/jet/long_value.h"
#include "history/jet/tdef.h"
#include "history/jet/text.h"

namespace jet::internal {
namespace {

Status RowError(uint32_t page, const std::string& what) {
  return Status::Error(PageError(page, what));
}

Value DecodeFixed(const Column& c, const uint8_t* p) {
  switch (c.typeCode) {
    case 0x02:
      return Value::Byte(p[0]);
    case 0x03:
      return Value::Integer(static_cast<int16_t>(Get16(p)));
    case 0x04:
      return Value::Long(static_cast<int32_t>(Get32(p)));
    case 0x05:
      return Value::Currency(static_cast<int64_t>(Get64(p)));
    case 0x06: {
      uint32_t bits = Get32(p);
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return Value::Single(f);
    }
    case 0x07:
    case 0x08: {
      uint64_t bits = Get64(p);
      double d;
      std::memcpy(&d, &bits, sizeof d);
      return c.typeCode == 0x07 ? Value::Double(d) : Value::DateTime(d);
    }
    case 0x0F: {
      std::array<uint8_t, 16> g;
      std::memcpy(g.data(), p, 16);
      return Value::Guid(g);
    }
    case 0x10: {
      // Sign byte (0x80 = negative), then the 128-bit magnitude as four little-endian 32-bit words,
      // most significant word first.
      Decimal d;
      d.negative = (p[0] & 0x80) != 0;
      d.precision = c.precision;
      d.scale = c.scale;
      for (int w = 0; w < 4; ++w)
        d.magnitude[3 - w] = Get32(p + 1 + 4 * w);
      return Value::Numeric(d);
    }
    case 0x0A:
      return Value::Text(DecodeText(p, c.maxLength));
    default:
      return Value::Binary(std::string(reinterpret_cast<const char*>(p), c.maxLength));
  }
}

}  // namespace

Status DecodeRow(const Engine& engine, const TableDef& def, const uint8_t* row, size_t length, uint32_t page,
                 PageCache& longValues, std::vector<Value>& out) {
  out.clear();
  if (length < 2)
    return RowError(page, "row too short");
  uint32_t ncols = Get16(row);
  uint32_t maskLength = (ncols + 7) / 8;
  if (2 + maskLength > length)
    return RowError(page, "row too short for its null mask");
  const uint8_t* mask = row + length - maskLength;
  auto present = [&](uint32_t number) {
    return number < ncols && (mask[number / 8] & (1u << (number % 8))) != 0;
  };

  // The variable-length table, read from the end of the row.
  uint32_t nvar = 0;
  uint32_t fixedEnd = static_cast<uint32_t>(length - maskLength);  // the fixed area must end before this
  std::vector<uint16_t> varOffsets;                                // nvar + 1 entries, the last one eod
  if (def.hasVariableColumns) {
    uint32_t base = static_cast<uint32_t>(length - maskLength);
    if (base < 4)
      return RowError(page, "row too short for its variable-length table");
    nvar = Get16(row + base - 2);
    uint32_t tableBytes = 2 + 2 * (nvar + 1);
    if (tableBytes > base - 2)
      return RowError(page, "row's variable-length table does not fit the row");
    uint32_t tableStart = base - tableBytes;
    varOffsets.resize(nvar + 1);
    for (uint32_t j = 0; j < nvar; ++j)
      varOffsets[j] = Get16(row + base - 4 - 2 * j);
    varOffsets[nvar] = Get16(row + base - 4 - 2 * nvar);
    for (uint32_t j = 0; j <= nvar; ++j) {
      if (varOffsets[j] < 2 || varOffsets[j] > tableStart) {
        return RowError(page, "row's variable-length offset " + std::to_string(j) + " out of range");
      }
    }
    fixedEnd = tableStart;
  }

  out.reserve(def.columns.size());
  for (const Column& c : def.columns) {
    if (c.typeCode == 0x01) {
      out.push_back(Value::Boolean(present(c.number)));
      continue;
    }
    if (!present(c.number)) {
      out.push_back(Value::Null(static_cast<ColumnType>(c.typeCode)));
      continue;
    }
    if (c.IsFixedLength()) {
      uint32_t at = 2u + c.fixedOffset;
      uint32_t size = FixedSize(c);
      if (at + size > fixedEnd) {
        return RowError(page, "column " + std::to_string(c.number) + " lies outside the row's fixed area");
      }
      out.push_back(DecodeFixed(c, row + at));
      continue;
    }
    if (c.varIndex >= nvar) {
      out.push_back(Value::Null(static_cast<ColumnType>(c.typeCode)));
      continue;
    }
    uint32_t start = varOffsets[c.varIndex];
    uint32_t end = varOffsets[c.varIndex + 1];
    if (end < start) {
      return RowError(page, "column " + std::to_string(c.number) + " has a negative length");
    }
    const uint8_t* field = row + start;
    size_t size = end - start;
    switch (c.typeCode) {
      case 0x02:
      case 0x03:
      case 0x04:
      case 0x05:
      case 0x06:
      case 0x07:
      case 0x08:
      case 0x0F:
      case 0x10: {
        // A fixed-size type stored as a variable-length value.
        uint32_t need = FixedSize(c);
        if (size == 0) {
          out.push_back(Value::Null(static_cast<ColumnType>(c.typeCode)));
        } else if (size < need) {
          return RowError(page, "column " + std::to_string(c.number) + " value too short for its type");
        } else {
          out.push_back(DecodeFixed(c, field));
        }
        break;
      }
      case 0x0A:
        out.push_back(Value::Text(DecodeText(field, size)));
        break;
      case 0x0B:
      case 0x0C: {
        auto bytes = ReadLongValue(engine, longValues, field, size, page);
        if (!bytes)
          return bytes.status();
        if (c.typeCode == 0x0C) {
          out.push_back(
              Value::Memo(DecodeText(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size())));
        } else {
          out.push_back(Value::Ole(std::move(*bytes)));
        }
        break;
      }
      default:
        out.push_back(Value::Binary(std::string(reinterpret_cast<const char*>(field), size)));
    }
  }
  return Status::Ok();
}

}  // namespace jet::internal
