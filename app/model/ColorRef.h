#pragma once
// Colours as the note record stores them: 0x00BBGGRR.
#include <QColor>

namespace qp {

inline QColor FromColorRef(quint32 ref) { return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF); }

inline quint32 ToColorRef(const QColor& color) {
  return static_cast<quint32>(color.red()) | (static_cast<quint32>(color.green()) << 8) |
         (static_cast<quint32>(color.blue()) << 16);
}

}  // namespace qp
