#pragma once
// Reads a savedColumns list into grid columns. Each line is "key=value"
// (trimmed); "cvColumn=N" adds columns until the N-th column the list adds
// (from 0) exists and makes the last one added current; the other keys
// set the current column's colour, width, font, alignment, read-only flag,
// title and field name. Lines before the first cvColumn are ignored, and a
// line with no known key is taken as a column number.
#include <QColor>
#include <QFont>
#include <QStringList>

#include "components/XbGridColumn.h"

// Applies `lines` to `columns`, which keeps the columns it had before.
void ApplySavedColumns(QList<TXbGridColumn>& columns, const QStringList& lines);

// "clRed", "red", "#ff0000" or a number 0x00BBGGRR; invalid when unknown.
QColor ParseGridColor(const QString& text);
// "name, colour, number": the number's low byte is the size and bits
// 0x100, 0x200, 0x400, 0x800 are bold, italic, underline, strike-out.
void ParseGridFont(const QString& text, QFont& font, QColor& color);
Qt::Alignment ParseGridAlignment(const QString& text);
