#pragma once
// The column layout of a TXbGrid and the item model interface the grid
// needs beside QAbstractTableModel's: columns that can be replaced as a
// whole (savedColumns builds them), Boolean columns with their true and
// false texts, deleted rows and the record behind each row. TXbGridModel
// implements it over a table; the grid itself never includes an engine
// header.
#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <optional>

struct TXbGridColumn {
  QString fieldName;
  QString title;
  int width = -1;  // -1: the grid's default
  QColor color;    // invalid: the grid's colour
  std::optional<QFont> font;
  QColor fontColor;
  Qt::Alignment alignment = Qt::AlignLeft;
  bool readOnly = false;
  QColor titleColor;
  std::optional<QFont> titleFont;
  QColor titleFontColor;
  Qt::Alignment titleAlignment = Qt::AlignLeft;
  // "true text;false text". Not empty: the column is shown as a Boolean,
  // whatever the field's type (the note flags are one-letter texts).
  QString displayValues;
  // Shown instead of a blank value, so rows stay told apart.
  QString blankText;

  bool isEmpty() const { return fieldName.isEmpty() && title.isEmpty(); }
};

// The true and false texts of a Boolean column, compared ignoring case.
struct TXbBooleanTexts {
  QString trueText = QStringLiteral("true");
  QString falseText = QStringLiteral("false");
  static TXbBooleanTexts fromDisplayValues(const QString& displayValues);
};

class TXbColumnModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // Roles beside Qt's own.
  enum Role {
    BooleanRole = Qt::UserRole + 1,  // bool for a Boolean column, else invalid
    DeletedRole,                     // bool: the record is marked deleted
    RecNoRole,                       // int: the record number
    ToggleRole,                      // setData: flip a Boolean cell
  };
  using QAbstractTableModel::QAbstractTableModel;

  virtual QList<TXbGridColumn> columns() const = 0;
  virtual void setColumns(const QList<TXbGridColumn>& columns) = 0;
  // False while the user may not change the records through the grid.
  virtual bool canEdit() const = 0;
  // The message of the last write the model could not make.
  virtual QString lastError() const = 0;
};
