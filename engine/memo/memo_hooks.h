#pragma once
// The memo layer's entry points for the table engine: MemoInit installs the
// MemoHooks (open, close and pack a table's memo file, a memo as lines for
// Locate) and the memo file creator CreateDbf calls, and the file-level
// memo commands on the current work area.
//
// The memo file lives beside its table with the table's base name and the
// extension "DBT" ("FPT" for FoxPro tables). It is opened in the table's
// share mode: shared when the engine is in network mode and the table is
// not exclusive (or held exclusively only for a moment by ReopenTable),
// else exclusively; the open mode override wins over both.
#include <cstdint>
#include <string>

namespace xb {

struct WorkArea;

// Installs the memo hooks and the memo file creator. Idempotent.
void MemoInit();
// Removes both again (tests of the table layer without memo support).
void MemoDone();

// The memo kind of the current table (the default kind when none).
uint8_t GetMemoType();
// Creates an empty memo file for the table `table_name`.
bool CreateMemofile(const std::string& table_name);
bool CreateMemofile(const std::string& table_name, uint8_t kind, int block_size,
                    const std::string& caller);
// Opens the memo file of `area`, whose table file is `table_base` plus
// extension, and keeps it in the area's memo state.
bool OpenMemofile(WorkArea& area, const std::string& table_base);
bool CloseMemofile(WorkArea& area);
bool CloseMemofile();
// The memo lock byte of the current table (offset 10 of the memo file).
bool LockMemofile();
bool UnlockMemofile();

}  // namespace xb
