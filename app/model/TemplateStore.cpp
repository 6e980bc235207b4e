// The store's template commands for the configuration dialog: read one
// template of defaults.dbf, write it back, and reset a removed one.
#include <cmath>

#include "app/model/FirstStartTemplates.h"
#include "app/model/WriteProtocol.h"
#include "app/model/XbNoteStore.h"
#include "app/model/XbNoteStoreGuard.h"
#include "components/IniFile.h"
#include "engine/dataset/field.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/error_state.h"

namespace qp {

namespace {

QString Text(const std::string& bytes) { return IniFile::decodeWindows1252(QByteArray::fromStdString(bytes)).trimmed(); }

}  // namespace

bool XbNoteStore::moveToTemplate(int number) {
  if (number < 1 || !defaults_->Active() || number > defaults_->RecordCount()) return false;
  xb::ClearErrorCode();
  defaults_->Go(number);
  return xb::ErrorCode() == 0 && defaults_->RecNo() == number;
}

std::optional<TemplateContent> XbNoteStore::readTemplate(int number) {
  Guard guard(busy_);
  if (!guard.entered()) return std::nullopt;
  try {
    if (!moveToTemplate(number)) {
      noteEngineError(QStringLiteral("Template %1 could not be read").arg(number));
      return std::nullopt;
    }
    xb::TXbDbf& t = *defaults_;
    TemplateContent c;
    c.name = Text(t.GetField("DESC"));
    c.color = static_cast<quint32>(t.GetFieldInt("COLOR"));
    // A position the list does not offer shows as its first entry.
    c.position = t.GetFieldInt("LEFT");
    if (c.position < 0 || c.position > 4) c.position = 0;
    c.width = t.GetFieldInt("WIDTH");
    c.height = t.GetFieldInt("HEIGHT");
    c.fontName = Text(t.GetField("CAPFONTNAM"));
    c.fontSize = static_cast<int>(std::lround(t.GetFieldFloat("CAPFONTSIZ")));
    c.fontColor = static_cast<quint32>(t.GetFieldInt("CAPFONTCOL"));
    if (xb::TField* memo = t.FindField("MEMO")) c.rtf = QByteArray::fromStdString(memo->AsString());
    return c;
  } catch (const std::exception&) {
    noteEngineError(QStringLiteral("Template %1 could not be read").arg(number));
    return std::nullopt;
  }
}

StoreResult XbNoteStore::updateTemplate(int number, const TemplateContent& content) {
  Guard guard(busy_);
  if (!guard.entered()) {
    last_error_ = Guard::busyText();
    return StoreResult::Busy;
  }
  try {
    if (!moveToTemplate(number)) return StoreResult::NoRecord;
    PutTemplateFields(*defaults_, content);
    const WriteOutcome outcome = RewriteWithLock(*defaults_);
    if (outcome == WriteOutcome::LockRefused) {
      last_error_ = QStringLiteral("The template is locked by another program.");
      return StoreResult::Locked;
    }
    if (outcome == WriteOutcome::Failed) {
      noteEngineError(QStringLiteral("The template could not be written"));
      return StoreResult::Failed;
    }
    return StoreResult::Done;
  } catch (const std::exception& e) {
    DropPendingEdit(*defaults_);
    last_error_ = QStringLiteral("The template could not be written: ") + QString::fromStdString(e.what());
    return StoreResult::Failed;
  }
}

StoreResult XbNoteStore::resetTemplate(int number) { return updateTemplate(number, RemovedTemplate(number)); }

}  // namespace qp
