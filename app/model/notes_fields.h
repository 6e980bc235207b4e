#pragma once
// The note record as data: the DbfFields lines and the IndexList of the
// notes and trash tables (and the template table's variant), and the
// property set every table component of the application carries. Shared by
// the application and the tests, so both create the very same tables.
#include <string>
#include <vector>

namespace xb {

class TXbDbf;

// 37 lines "name, T, len, dec" in field order (notes and trash form).
const std::vector<std::string>& NotesDbfFields();
// The same without blanks and with the last date fields of length 8, as
// the template table declares them.
const std::vector<std::string>& DefaultsDbfFields();
// Five tags BOARD, HANDLE, SHOWING, ALARMACT, EXPIREACT, each followed by
// an empty FOR line.
const std::vector<std::string>& NotesIndexList();

// DbfFields, IndexList, HideDeletedRecs on, ShowProgress off, OEM text,
// CreateIndex ciNotFound, shared, writable, created when missing.
void ConfigureNotesTable(TXbDbf& table, const std::vector<std::string>& fields = NotesDbfFields());
// The persistent field objects of the notes and trash components: the
// table's field classes with the caption font size shown with 5 digits and
// the date edit masks.
void DeclareNotesFields(TXbDbf& table);

}  // namespace xb
