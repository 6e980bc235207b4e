#pragma once
// xbtool commands that go through the engine's work areas the way any
// program sharing a table does: the table is opened shared, appends take
// the append lock and record changes the record lock, and a lock held by
// another program makes the command fail (exit 1) instead of waiting.
//
//   append TABLE FIELD=VALUE ...           add one record (under ALock)
//   replace TABLE RECNO FIELD=VALUE ...    change fields of one record (RLock)
//   delete TABLE RECNO / recall TABLE RECNO   flip the deletion flag (RLock)
//   pack TABLE                             remove deleted records
//
// The editing commands open the table's production index when the header
// says it has one, so every tag follows appends and replaces and a pack
// rebuilds the tags.
//   locate TABLE FIELD VALUE [--nocase] [--exact]
//                                          first match: its number and
//                                          record; "not found" and exit 1
//   peek TABLE FIELD RECNO                 one stored field (FIELD is a name
//                                          or a number, 0 = deletion flag)
//   dump --hide-deleted TABLE              live records only, as CSV
//
// Values come in as UTF-8 and are stored in the table's code page; dates
// are given as YYYYMMDD or YYYY-MM-DD.
#include "tools/xbtool/commands.h"

namespace xbtool {

int LockedAppendCommand(const Options& options);
int ReplaceCommand(const Options& options);
int DeleteCommand(const Options& options);
int RecallCommand(const Options& options);
int PackCommand(const Options& options);
int LocateCommand(const Options& options);
int PeekCommand(const Options& options);
int DumpVisibleCommand(const Options& options);

}  // namespace xbtool
