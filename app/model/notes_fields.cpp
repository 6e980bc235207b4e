#include "app/model/notes_fields.h"

#include <memory>

#include "engine/dataset/field_classes.h"
#include "engine/dataset/uxbfds.h"

namespace xb {

const std::vector<std::string>& NotesDbfFields() {
  static const std::vector<std::string> lines = {
      "desc, C, 50, 0",       "memo, M, 10, 0",       "color, N, 10, 0",      "left, N, 10, 0",
      "top, N, 10, 0",        "width, N, 10, 0",      "height, N, 10, 0",     "minimized, C, 1, 0",
      "showing, C, 1, 0",     "datecreate, D, 10, 0", "noteboard, C, 50, 0",  "alarmact, C, 1, 0",
      "alarmtype, N, 1, 0",   "alarmdate, D, 10, 0",  "alarmtime, C, 12, 0",  "stayontop, C, 1, 0",
      "handle, N, 10, 0",     "read, C, 1, 0",        "char1, C, 40, 0",      "char2, C, 40, 0",
      "char3, C, 20, 0",      "char4, C, 10, 0",      "num1, N, 10, 0",       "num2, N, 10, 0",
      "num3, N, 15, 2",       "num4, N, 15, 2",       "expires, C, 1, 0",     "expiredate, D, 10, 0",
      "expiretime, C, 12, 0", "expiretype, N, 1, 0",  "expiretrsh, C, 1, 0",  "capfontnam, C, 50, 0",
      "capfontsiz, N, 5, 2",  "capfontcol, N, 10, 0", "datealmact, D, 10, 0", "date1, D, 10, 0",
      "timealmact, C, 12, 0",
  };
  return lines;
}

const std::vector<std::string>& DefaultsDbfFields() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> out;
    for (const std::string& line : NotesDbfFields()) {
      std::string packed;
      for (char c : line)
        if (c != ' ') packed += c;
      if (packed == "datealmact,D,10,0") packed = "datealmact,D,8,0";
      if (packed == "date1,D,10,0") packed = "date1,D,8,0";
      out.push_back(packed);
    }
    return out;
  }();
  return lines;
}

const std::vector<std::string>& NotesIndexList() {
  static const std::vector<std::string> lines = {
      "BOARD,F,F,upper(Noteboard)", "", "HANDLE,F,F,handle",         "",
      "SHOWING,F,F,showing",        "", "ALARMACT,F,F,upper(alarmact)", "",
      "EXPIREACT,F,F,upper(expires)", "",
  };
  return lines;
}

void ConfigureNotesTable(TXbDbf& table, const std::vector<std::string>& fields) {
  table.SetDbfFields(fields);
  table.SetIndexList(NotesIndexList());
  table.SetHideDeletedRecs(true);
  table.SetShowProgress(false);
  table.SetTableLanguage(TXbTableLanguage::tlOem);
  table.SetReadOnly(false);
  table.SetCreateIndex(TCreateIndexType::ciNotFound);
  table.SetExclusive(false);
  table.SetCreateIfNotFound(true);
}

namespace {

template <typename T>
T& Declare(TXbDbf& table, const std::string& name, int size = 0) {
  auto field = std::make_unique<T>();
  field->SetFieldName(name);
  if (size > 0) field->SetSize(size);
  T& ref = *field;
  table.AddField(std::move(field));
  return ref;
}

}  // namespace

void DeclareNotesFields(TXbDbf& table) {
  for (const std::string& line : NotesDbfFields()) {
    TDbfFieldDef def;
    if (!TXbDataSet::ParseDbfFieldLine(line, def)) continue;
    std::string name;
    for (char c : def.name) name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    switch (def.type) {
      case 'C': Declare<TStringField>(table, name, def.length); break;
      case 'M': Declare<TMemoField>(table, name); break;
      case 'N':
        if (def.decimals > 0) {
          TXbFloatField& f = Declare<TXbFloatField>(table, name, def.length);
          if (name == "CAPFONTSIZ") f.SetPrecision(5);
        } else {
          Declare<TXbIntegerField>(table, name, def.length);
        }
        break;
      case 'D': {
        TXbDateField& f = Declare<TXbDateField>(table, name);
        const bool century = name == "DATEALMACT" || name == "DATE1";
        f.SetEditMask(century ? "99/99/9999;1; " : "99/99/99;1; ");
        break;
      }
      default: break;
    }
  }
}

}  // namespace xb
