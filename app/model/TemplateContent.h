#pragma once
// One note template of defaults.dbf as the template dialog edits it.
#include <QByteArray>
#include <QString>

namespace qp {

struct TemplateContent {
  QString name;
  quint32 color = 0;
  int position = 0;  // LEFT: 0 centre of the screen, 1..4 the corners
  int width = 0;
  int height = 0;
  QString fontName;
  int fontSize = 0;
  quint32 fontColor = 0;
  QByteArray rtf;
};

}  // namespace qp
