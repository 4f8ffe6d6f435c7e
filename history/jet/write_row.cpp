#include "history/jet/write_row.h"

#include <algorithm>

#include "history/jet/write_page.h"

namespace jet::writer {

std::string BuildRow(uint16_t maxColumns, const std::vector<RowField>& fields) {
  uint32_t fixedLength = 0;
  int varSlots = 0;
  for (const auto& f : fields) {
    if (f.fixed && !f.boolean) fixedLength = std::max<uint32_t>(fixedLength, f.fixedOffset + f.length);
    if (!f.fixed) varSlots = std::max(varSlots, f.varIndex + 1);
  }
  std::string row;
  AppendU16(row, maxColumns);
  row.append(fixedLength, '\0');
  std::string mask((maxColumns + 7) / 8, '\0');
  auto mark = [&](uint16_t number) {
    if (number < maxColumns) mask[number / 8] = static_cast<char>(static_cast<uint8_t>(mask[number / 8]) | (1u << (number % 8)));
  };
  for (const auto& f : fields) {
    if (!f.fixed || !f.present) continue;
    if (!f.boolean) row.replace(2 + f.fixedOffset, f.length, f.bytes.substr(0, f.length));
    mark(f.number);
  }
  if (varSlots > 0) {
    std::vector<const RowField*> bySlot(static_cast<size_t>(varSlots), nullptr);
    for (const auto& f : fields)
      if (!f.fixed) bySlot[f.varIndex] = &f;
    std::vector<uint16_t> offsets;
    for (const RowField* f : bySlot) {
      offsets.push_back(static_cast<uint16_t>(row.size()));
      if (f && f->present) {
        row += f->bytes;
        mark(f->number);
      }
    }
    AppendU16(row, static_cast<uint32_t>(row.size()));  // eod
    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) AppendU16(row, *it);
    AppendU16(row, static_cast<uint32_t>(varSlots));
  }
  row += mask;
  return row;
}

std::string EncodeTextValue(std::u16string_view text, bool columnCompresses, bool memo) {
  bool compress = columnCompresses && text.size() > 2 && (!memo || text.size() <= 1024) &&
                  std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x01 && c <= 0xFF; });
  if (!compress) return Utf16Bytes(text);
  std::string out("\xFF\xFE", 2);
  for (char16_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

}  // namespace jet::writer
