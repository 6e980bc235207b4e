#include "components/XbSavedColumns.h"

TXbBooleanTexts TXbBooleanTexts::fromDisplayValues(const QString& displayValues) {
  TXbBooleanTexts texts;
  if (displayValues.isEmpty()) return texts;
  const qsizetype split = displayValues.indexOf(';');
  texts.trueText = split < 0 ? displayValues : displayValues.left(split);
  texts.falseText = split < 0 ? QString() : displayValues.mid(split + 1);
  return texts;
}

QColor ParseGridColor(const QString& text) {
  const QString t = text.trimmed();
  bool isNumber = false;
  const qlonglong n = t.startsWith('$') ? t.mid(1).toLongLong(&isNumber, 16) : t.toLongLong(&isNumber, 0);
  if (isNumber) return QColor(int(n & 0xFF), int((n >> 8) & 0xFF), int((n >> 16) & 0xFF));
  // The classic names carry a "cl" prefix ("clRed"); Qt knows the rest.
  const QString name = t.startsWith(QStringLiteral("cl"), Qt::CaseInsensitive) ? t.mid(2) : t;
  return QColor::fromString(name.toLower());
}

void ParseGridFont(const QString& text, QFont& font, QColor& color) {
  const QStringList parts = text.split(',');
  if (!parts.isEmpty() && !parts[0].trimmed().isEmpty()) font.setFamily(parts[0].trimmed());
  if (parts.size() > 1) {
    const QColor c = ParseGridColor(parts[1]);
    if (c.isValid()) color = c;
  }
  if (parts.size() > 2) {
    bool ok = false;
    const int bits = parts[2].trimmed().toInt(&ok, 0);
    if (ok) {
      if ((bits & 0xFF) > 0) font.setPointSize(bits & 0xFF);
      font.setBold(bits & 0x100);
      font.setItalic(bits & 0x200);
      font.setUnderline(bits & 0x400);
      font.setStrikeOut(bits & 0x800);
    }
  }
}

Qt::Alignment ParseGridAlignment(const QString& text) {
  const QString t = text.trimmed();
  if (t.compare(QStringLiteral("taRightJustify"), Qt::CaseInsensitive) == 0) return Qt::AlignRight;
  if (t.compare(QStringLiteral("taCenter"), Qt::CaseInsensitive) == 0) return Qt::AlignHCenter;
  return Qt::AlignLeft;
}

namespace {

// The column reading has reached: adding columns up to `number` (counted
// among those the list adds) and remembering the current one.
struct Reader {
  QList<TXbGridColumn>& columns;
  qsizetype base;
  int added = 0;
  qsizetype current = -1;

  void column(int number) {
    if (number < added) return;  // not beyond those added: changes nothing
    while (added <= number) {
      columns.append(TXbGridColumn{});
      ++added;
    }
    current = base + added - 1;
  }
};

}  // namespace

void ApplySavedColumns(QList<TXbGridColumn>& columns, const QStringList& lines) {
  // A grid's single empty design-time column stands for "no columns yet".
  if (columns.size() == 1 && columns[0].isEmpty()) columns.clear();
  Reader reader{columns, columns.size()};
  for (const QString& raw : lines) {
    const QString line = raw.trimmed();
    const qsizetype eq = line.indexOf('=');
    const QString key = (eq < 0 ? line : line.left(eq)).trimmed();
    const QString value = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
    auto is = [&key](const char* name) { return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("cvColumn")) {
      bool ok = false;
      const int n = value.toInt(&ok);
      if (ok && n >= 0) reader.column(n);
      continue;
    }
    static const char* const kKnown[] = {"cvColorStr",      "cvWidthStr",       "cvFontStr",
                                         "cvAlignmentStr",  "cvReadOnlyStr",    "cvTitleColorStr",
                                         "cvTitleCaptionStr", "cvTitleAlignmentStr", "cvTitleFontStr",
                                         "cvFieldNameStr"};
    bool known = false;
    for (const char* k : kKnown) known = known || is(k);
    if (!known) {
      bool ok = false;
      const int n = key.toInt(&ok);
      if (ok && n >= 0) reader.column(n);
      continue;
    }
    if (reader.current < 0) continue;  // before the first column
    TXbGridColumn& c = columns[reader.current];
    if (is("cvColorStr")) {
      c.color = ParseGridColor(value);
    } else if (is("cvWidthStr")) {
      bool ok = false;
      const int w = value.toInt(&ok);
      if (ok && w >= 0) c.width = w;
    } else if (is("cvFontStr")) {
      QFont f = c.font.value_or(QFont());
      ParseGridFont(value, f, c.fontColor);
      c.font = f;
    } else if (is("cvAlignmentStr")) {
      c.alignment = ParseGridAlignment(value);
    } else if (is("cvReadOnlyStr")) {
      c.readOnly = value.compare(QStringLiteral("TRUE"), Qt::CaseInsensitive) == 0;
    } else if (is("cvTitleColorStr")) {
      c.titleColor = ParseGridColor(value);
    } else if (is("cvTitleCaptionStr")) {
      c.title = value;
    } else if (is("cvTitleAlignmentStr")) {
      c.titleAlignment = ParseGridAlignment(value);
    } else if (is("cvTitleFontStr")) {
      QFont f = c.titleFont.value_or(QFont());
      ParseGridFont(value, f, c.titleFontColor);
      c.titleFont = f;
    } else if (is("cvFieldNameStr")) {
      c.fieldName = value;
    }
  }
}
