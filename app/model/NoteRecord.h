#pragma once
// One note as the windows see it: the fields of the note record that a
// window shows or changes, in Qt types. The store converts to and from the
// table's text forms, so nothing outside app/model knows about them.
#include <QByteArray>
#include <QDate>
#include <QRect>
#include <QString>
#include <QTime>

namespace qp {

// 0x00BBGGRR, pale yellow.
inline constexpr quint32 kDefaultNoteColor = 10092543;

struct NoteRecord {
  int recNo = 0;            // record number in notes.dbf; 0 = none
  int handle = 0;           // window id written into HANDLE while open
  QString caption;          // DESC, trimmed
  QByteArray rtf;           // MEMO
  quint32 color = kDefaultNoteColor;
  QRect geometry;           // expanded geometry, also while collapsed
  bool collapsed = false;   // MINIMIZED
  bool showing = false;     // SHOWING
  bool stayOnTop = false;   // STAYONTOP
  QString created;          // DATECREATE as the table's date text
  QString board;            // NOTEBOARD: template number as text
  bool alarmActive = false;
  int alarmType = 0;
  QDate alarmDate;
  QTime alarmTime;
  bool expires = false;
  int expireType = 1;
  QDate expireDate;
  QTime expireTime;
  bool expireToTrash = true;
  QString capFontName;
  int capFontSize = 8;
  quint32 capFontColor = 0;
};

// What a store of the window writes into SHOWING.
enum class Showing { Hidden, Shown, Unchanged };

enum class StoreResult {
  Done,
  NoRecord,  // the window's record is gone (deleted, or never appended)
  Locked,    // another program holds the lock; nothing was written
  Busy,      // the store is in the middle of another command; try again later
  Failed,    // the engine reported an error; lastError() says which
};

struct TemplateEntry {
  int number = 0;  // 1..10
  QString name;    // DESC trimmed
  bool inUse = false;
};

}  // namespace qp
