// TXbDataSet: field values between record buffer slots, framework values
// and the engine's SwapBuffer.
#include "engine/dataset/ucommon.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/dataset/field_classes.h"
#include "engine/table/date_settings.h"
#include "engine/table/dates.h"
#include "engine/table/xbase.h"
#include "engine/table/strings.h"

namespace xb {

// ---- Field values ----

int TXbDataSet::XbiGetFieldData(const TField* field, const uint8_t* buffer, bool& blank, void* value) {
  blank = false;
  const int n = field->FieldNo();
  const TDTField* f = SnapshotField(n);
  if (f == nullptr || slot_offset_[static_cast<size_t>(n)] < 0) return kStatusOk;
  const uint8_t* slot = buffer + slot_offset_[static_cast<size_t>(n)];
  const int size = field->DataSize();
  if (value != nullptr) std::memset(value, 0, static_cast<size_t>(size));
  switch (field->DataType()) {
    case TFieldType::ftString: {
      size_t len = std::min<size_t>(slot[0], f->length);
      while (len > 0 && slot[len] == ' ') --len;
      if (value != nullptr) std::memcpy(value, slot + 1, std::min<size_t>(len, static_cast<size_t>(size - 1)));
      break;
    }
    case TFieldType::ftDate: {
      double d = 0;
      std::memcpy(&d, slot, 8);
      if (d == 0.0) {
        blank = true;
        break;
      }
      const int32_t stamp = static_cast<int32_t>(std::floor(d)) + kDateDelta;
      if (value != nullptr) std::memcpy(value, &stamp, 4);
      break;
    }
    default:
      if (value != nullptr) std::memcpy(value, slot, static_cast<size_t>(std::min(size, SlotWidth(*f))));
      break;
  }
  return kStatusOk;
}

int TXbDataSet::XbiSetFieldData(TField* field, uint8_t* buffer, const void* value) {
  const int n = field->FieldNo();
  const TDTField* f = SnapshotField(n);
  if (f == nullptr || buffer == nullptr || slot_offset_[static_cast<size_t>(n)] < 0) return kStatusOk;
  uint8_t* slot = buffer + slot_offset_[static_cast<size_t>(n)];
  const int width = SlotWidth(*f);
  if (value == nullptr) {
    std::memset(slot, 0, static_cast<size_t>(width));
  } else {
    switch (field->DataType()) {
      case TFieldType::ftString: {
        const char* text = static_cast<const char*>(value);
        const size_t len = strnlen(text, static_cast<size_t>(width - 1));
        std::memset(slot, 0, static_cast<size_t>(width));
        slot[0] = static_cast<uint8_t>(len);
        std::memcpy(slot + 1, text, len);
        break;
      }
      case TFieldType::ftDate: {
        int32_t stamp = 0;
        std::memcpy(&stamp, value, 4);
        const double d = stamp == 0 ? 0.0 : static_cast<double>(stamp - kDateDelta);
        std::memcpy(slot, &d, 8);
        break;
      }
      default:
        std::memset(slot, 0, static_cast<size_t>(width));
        std::memcpy(slot, value, static_cast<size_t>(std::min(width, field->DataSize())));
        break;
    }
  }
  BufferToEngine(buffer, n);
  return kStatusOk;
}

void TXbDataSet::BufferFromEngine(uint8_t* buffer) {
  const uint8_t* swap = SwapBuffer();
  if (swap == nullptr || snapshot_ == nullptr) return;
  buffer[0] = swap[0];
  for (size_t i = 0; i < snapshot_->fields.size(); ++i) {
    const TDTField& f = snapshot_->fields[i];
    const int at = slot_offset_[i + 1];
    if (at < 0) continue;
    uint8_t* slot = buffer + at;
    const uint8_t* value = swap + f.offset;
    switch (f.type) {
      case 'C':
        std::memcpy(slot, value, static_cast<size_t>(f.length) + 1);
        break;
      case 'D': {
        const size_t len = std::min<size_t>(value[0], static_cast<size_t>(f.length) + 2);
        const double d = EngineDateTextToValue(std::string(reinterpret_cast<const char*>(value + 1), len));
        std::memcpy(slot, &d, 8);
        break;
      }
      case 'N':
      case 'F':
        if (f.decimals > 0) {
          double d = 0;
          std::memcpy(&d, value, 8);
          char text[64];
          std::snprintf(text, sizeof text, "%.*f", static_cast<int>(f.decimals), d);
          d = std::strtod(text, nullptr);
          std::memcpy(slot, &d, 8);
        } else {
          std::memcpy(slot, value, 4);
        }
        break;
      case 'M':
        std::memcpy(slot, value, 4);
        break;
      case 'L':
        slot[0] = value[0];
        slot[1] = 0;
        break;
    }
  }
}

void TXbDataSet::BufferToEngine(uint8_t* buffer, int field) {
  uint8_t* swap = SwapBuffer();
  if (swap == nullptr || snapshot_ == nullptr || buffer == nullptr) return;
  swap[0] = buffer[0];
  for (size_t i = 0; i < snapshot_->fields.size(); ++i) {
    if (field != -1 && field != static_cast<int>(i + 1)) continue;
    const TDTField& f = snapshot_->fields[i];
    const int at = slot_offset_[i + 1];
    if (at < 0) continue;
    const uint8_t* slot = buffer + at;
    uint8_t* value = swap + f.offset;
    switch (f.type) {
      case 'C':
        std::memcpy(value, slot, static_cast<size_t>(f.length) + 1);
        if (value[0] > f.length) value[0] = static_cast<uint8_t>(f.length);
        break;
      case 'D': {
        double d = 0;
        std::memcpy(&d, slot, 8);
        std::string text = d != 0.0 ? TrimAll(DateToShortText(d)) : std::string();
        if (text.size() > 10) text.resize(10);
        if (text.empty()) text = BlankDate(DateFormatCode());
        if (!IsValidDate(text)) {
          ShowDatasetMessage("        Invalid date       ");
          text = BlankDate(DateFormatCode());
        }
        const size_t room = static_cast<size_t>(f.length) + 2;
        const size_t len = std::min(text.size(), room);
        value[0] = static_cast<uint8_t>(len);
        std::memcpy(value + 1, text.data(), len);
        break;
      }
      case 'N':
      case 'F':
        std::memcpy(value, slot, f.decimals > 0 ? 8 : 4);
        break;
      case 'M':
        std::memcpy(value, slot, 4);
        break;
      case 'L':
        value[0] = slot[0] != 0 ? 1 : 0;
        break;
    }
  }
}

}  // namespace xb
