#pragma once
// The ten templates a fresh program folder starts with. New notes are made
// from them, so a first start needs them before the user can make a note.
#include <vector>

#include "app/model/TemplateContent.h"

namespace xb {
class TXbDbf;
}

namespace qp {

// Template n (1..10): a few ready-made ones, the rest "Template n - Not Set".
std::vector<TemplateContent> FirstStartTemplates();
// The values a removed template n takes; its other fields keep theirs.
TemplateContent RemovedTemplate(int number);
// Puts a template's fields into the current record of `defaults` (STAYONTOP
// "N"), ready for a write under lock.
void PutTemplateFields(xb::TXbDbf& defaults, const TemplateContent& content);
// Appends the missing ones of the ten templates to `defaults` (all ten when
// it is empty); returns false when an append was refused.
bool AddMissingTemplates(xb::TXbDbf& defaults);

}  // namespace qp
