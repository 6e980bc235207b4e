#pragma once
// The pack journal: how a Pack switches a table, its memo file and its
// index file to their packed versions so that a crash at any moment leaves
// either all old files or all new ones once the table is next opened.
//
// Pack writes the packed files beside the table under side names
// ("<base>.$PD" table, "<base>.$PM" memo, "<base>.$PX" index); no other
// dBASE program looks at those extensions. When all of them are complete
// and flushed it writes the journal "<base>.$PK":
//
//   QUILLPAD PACK 1
//   <side name>|<name it replaces>      one line per file, memo and index
//   ...                                 first, the table last
//   END
//
// Only names without folder are stored, so a folder moved after a crash
// still recovers. The journal is flushed before the first rename: it is
// the commit point.
//
//   before the journal is complete   the old files are untouched; the side
//                                    files are garbage, removed by the next
//                                    open or Pack (RemovePackSideFiles)
//   journal complete                 every side file still present is
//                                    renamed over its target (renames are
//                                    atomic, so each target is old or new),
//                                    then the journal is deleted
//
// RecoverUnfinishedPack runs when a table is opened: a complete journal is
// carried out; side files without one, or with an incomplete one (a crash
// while it was written), are deleted. Both are safe to repeat, so a crash during recovery
// is recovered by the next open. Recovery needs the table to itself: while
// another program holds the table open the journal belongs to a Pack that
// is still running (Pack holds the table exclusively from its first side
// file to its last rename), and it is left alone.
#include <string>
#include <vector>

#include "engine/table/status.h"

namespace xb {

struct FileSwitch {
  std::string side;    // full path of the packed file
  std::string target;  // full path of the file it replaces
};

// The side name Pack uses for the table at `table_path`; `kind` is
// "table", "memo", "index" or "journal".
std::string PackSideName(const std::string& table_path, const std::string& kind);

// True when a complete journal is waiting to be carried out.
bool HasCommittedPack(const std::string& table_path);

// Deletes side files and a journal that no complete Pack left behind.
void RemovePackSideFiles(const std::string& table_path);

// Writes and flushes the journal naming `switches`, in the order given.
Status WritePackJournal(const std::string& table_path, const std::vector<FileSwitch>& switches);

// Carries out the journal of `table_path`: renames every side file still
// present over its target, then deletes the journal.
Status ApplyPackJournal(const std::string& table_path);

// What the open of a table found. `finished`: a complete journal was
// carried out; `undone`: an incomplete one was thrown away.
struct PackRecovery {
  bool finished = false;
  bool undone = false;
};
// Finishes or undoes a Pack that was interrupted, before the table at
// `table_path` is opened.
Result<PackRecovery> RecoverUnfinishedPack(const std::string& table_path);

}  // namespace xb
