#include "app/model/NoteFuncs.h"

#include <QFile>
#include <cmath>

#include "engine/dataset/field.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/dates.h"

namespace qp {

namespace {

// Digits from the start of `text` up to the first non-digit; -1 for none.
int LeadingNumber(const QString& text) {
  int value = -1;
  for (QChar c : text) {
    if (!c.isDigit()) break;
    value = (value < 0 ? 0 : value * 10) + c.digitValue();
    if (value > 100000) break;
  }
  return value;
}

}  // namespace

QString TimeToText(const QTime& time) {
  if (!time.isValid()) return QStringLiteral("0:0");
  return QString::number(time.hour()) + ':' + QString::number(time.minute());
}

QTime TextToTime(const QString& text) {
  const QString trimmed = text.trimmed();
  const int colon = trimmed.indexOf(':');
  int hour = 0;
  int minute = 0;
  if (colon < 0) {
    minute = std::max(0, LeadingNumber(trimmed.left(2)));
  } else {
    hour = std::max(0, LeadingNumber(trimmed.left(colon)));
    minute = std::max(0, LeadingNumber(trimmed.mid(colon + 1, 2)));
  }
  return QTime(hour, minute);  // invalid for hour > 23 or minute > 59
}

std::string DateToTableText(const QDate& date) {
  if (!date.isValid()) return std::string();
  return xb::DateFrom(date.year(), date.month(), date.day());
}

QDate DateKeyToDate(const std::string& key) {
  if (key.size() != 8) return QDate();
  for (char c : key)
    if (c < '0' || c > '9') return QDate();
  return QDate(std::stoi(key.substr(0, 4)), std::stoi(key.substr(4, 2)), std::stoi(key.substr(6, 2)));
}

QDate TableTextToDate(const std::string& text) { return DateKeyToDate(xb::DateToDbf(text)); }

bool CopyDataFile(const QString& source, const QString& target) {
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) return false;
  QFile out(target);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  bool ok = true;
  while (ok && !in.atEnd()) {
    const QByteArray chunk = in.read(1 << 16);
    ok = chunk.size() > 0 || in.atEnd();
    ok = ok && out.write(chunk) == chunk.size();
  }
  ok = ok && out.flush();
  out.close();
  if (!ok) out.remove();
  return ok;
}

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

QPoint TemplatePosition(int code, QSize size, QSize screen) {
  const int w = size.width();
  const int h = size.height();
  const int W = screen.width();
  const int H = screen.height();
  switch (code) {
    case 0: return {RoundHalfEven((W - w) / 2.0), RoundHalfEven((H - h) / 2.0)};
    case 1: return {0, 0};
    case 2: return {W - w, 0};
    case 3: return {0, H - h};
    case 4: return {W - w, H - h};
    default: return {code, 0};
  }
}

bool IsTemplateUnused(const QString& trimmedName, int number) {
  return trimmedName == QStringLiteral("Template %1 - Not Set").arg(number);
}

void CopyNoteRecord(xb::TXbDbf& source, xb::TXbDbf& target) {
  target.ClearRecord();
  for (int i = 0; i < source.FieldCount(); ++i) {
    xb::TField* from = source.Fields(i);
    const std::string name = from->FieldName();
    if (target.FindField(name) == nullptr) continue;
    switch (from->DataType()) {
      case xb::TFieldType::ftMemo: {
        auto in = source.CreateBlobStreamByName(name, 0);
        auto* memo = dynamic_cast<xb::TMemoField*>(target.FindField(name));
        if (in && memo) memo->LoadFromStream(*in);
        break;
      }
      case xb::TFieldType::ftDate:
        target.PutFieldStr(name, source.GetFieldDate(name));
        break;
      case xb::TFieldType::ftFloat:
        target.PutFieldFloat(name, source.GetFieldFloat(name));
        break;
      case xb::TFieldType::ftInteger:
        target.PutFieldInt(name, source.GetFieldInt(name));
        break;
      default:
        target.PutField(name, source.GetFieldStr(name));
        break;
    }
  }
}

}  // namespace qp
