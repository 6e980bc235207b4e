#include "app/model/FirstStartTemplates.h"

#include "app/model/NoteRecord.h"
#include "app/model/WriteProtocol.h"
#include "components/IniFile.h"
#include "engine/dataset/uxbfds.h"

namespace qp {

namespace {

// 0x00BBGGRR
constexpr quint32 kPaleGreen = 0x00CCFFCC;
constexpr quint32 kPaleBlue = 0x00FFE8CC;
constexpr quint32 kPalePink = 0x00E0D0FF;
constexpr quint32 kDarkBlue = 0x00800000;
constexpr quint32 kDarkGreen = 0x00006400;
constexpr quint32 kPlum = 0x00800080;

const char kFontName[] = "Sans Serif";

// A template text: RTF with the date and time placeholders a new note
// fills in, and <C> where the caret starts.
QByteArray Rtf(const char* body) {
  return QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Sans Serif;}}\\f0\\fs20 ") + body + "}";
}

}  // namespace

std::vector<TemplateContent> FirstStartTemplates() {
  std::vector<TemplateContent> t;
  t.push_back({"Plain Note", kDefaultNoteColor, 0, 200, 180, kFontName, 9, 0, QByteArray()});
  t.push_back({"To-Do List", kPaleGreen, 2, 240, 260, kFontName, 9, kDarkGreen,
               Rtf("{\\b To do, <DATE>}\\par\\par 1. <C>\\par 2. \\par 3. \\par")});
  t.push_back({"Phone Message", kPaleBlue, 0, 250, 200, kFontName, 9, kDarkBlue,
               Rtf("{\\b Phone message} <DATE> <TIME>\\par From: <C>\\par Number: \\par Message: \\par")});
  t.push_back({"Meeting Notes", kPalePink, 0, 280, 300, kFontName, 9, kPlum,
               Rtf("{\\b Meeting, <LONGDATE>}\\par Present: <C>\\par\\par {\\b Decisions}\\par\\par {\\b Actions}\\par")});
  for (int n = static_cast<int>(t.size()) + 1; n <= 10; ++n) t.push_back(RemovedTemplate(n));
  return t;
}

void PutTemplateFields(xb::TXbDbf& defaults, const TemplateContent& c) {
  defaults.PutField("DESC", IniFile::encodeWindows1252(c.name.left(50)).toStdString());
  defaults.PutField("STAYONTOP", "N");
  defaults.PutFieldInt("COLOR", static_cast<int32_t>(c.color));
  defaults.PutFieldInt("LEFT", c.position);
  defaults.PutFieldInt("WIDTH", c.width);
  defaults.PutFieldInt("HEIGHT", c.height);
  defaults.PutField("CAPFONTNAM", IniFile::encodeWindows1252(c.fontName).toStdString());
  defaults.PutFieldFloat("CAPFONTSIZ", c.fontSize);
  defaults.PutFieldInt("CAPFONTCOL", static_cast<int32_t>(c.fontColor));
  defaults.FieldByName("MEMO")->SetAsString(c.rtf.toStdString());
}

TemplateContent RemovedTemplate(int number) {
  return {QStringLiteral("Template %1 - Not Set").arg(number), kDefaultNoteColor, 0, 120, 120, "MS Sans Serif", 8, 0,
          QByteArray()};
}

bool AddMissingTemplates(xb::TXbDbf& defaults) {
  const std::vector<TemplateContent> all = FirstStartTemplates();
  for (int n = defaults.RecordCount() + 1; n <= static_cast<int>(all.size()); ++n) {
    defaults.ClearRecord();
    PutTemplateFields(defaults, all[static_cast<size_t>(n - 1)]);
    defaults.PutField("MINIMIZED", "N");
    defaults.PutField("SHOWING", "N");
    defaults.PutField("ALARMACT", "N");
    defaults.PutField("EXPIRES", "N");
    if (AppendWithLock(defaults) != WriteOutcome::Written) return false;
  }
  return true;
}

}  // namespace qp
