#pragma once
// The ten templates a fresh program folder starts with. New notes are made
// from them, so a first start needs them before the user can make a note.
#include <QByteArray>
#include <QString>
#include <vector>

namespace xb {
class TXbDbf;
}

namespace qp {

struct TemplateContent {
  QString name;
  quint32 color = 0;
  int position = 0;  // position code
  int width = 0;
  int height = 0;
  QString fontName;
  int fontSize = 0;
  quint32 fontColor = 0;
  QByteArray rtf;
};

// Template n (1..10): a few ready-made ones, the rest "Template n - Not Set".
std::vector<TemplateContent> FirstStartTemplates();
// Appends the missing ones of the ten templates to `defaults` (all ten when
// it is empty); returns false when an append was refused.
bool AddMissingTemplates(xb::TXbDbf& defaults);

}  // namespace qp
