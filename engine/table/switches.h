#pragma once
// Engine-wide switches shared by every work area. The defaults are the ones
// the program runs with; the dataset layer changes a few of them around
// single commands (recount on open, ANSI tables, open mode override).
#include <cstdint>

namespace xb {

struct EngineSwitches {
  // Tables are opened shared and locks are really taken. Off: every table
  // is opened exclusively and every lock request succeeds untouched.
  bool network_mode = true;
  int shared_open_mode = 0x42;     // read/write, deny none
  int exclusive_open_mode = 0x12;  // read/write, deny all
  int open_mode_override = -1;     // none; 0x00 / 0x40 for read-only opens
  // Recompute the record count from the file size when a table is opened.
  bool recount_on_open = false;
  // Tables hold ANSI text; off means OEM text translated record by record.
  bool ansi_tables = false;
  uint8_t default_version = 0x8B;  // version byte of tables CreateDbf makes
  int memo_block_size = 512;
  uint64_t lock_base = 0x40000000;
  int record_lock_limit = 0;  // 0 = no limit
  int retry_count = 0;
  int retry_wait_seconds = 0;
};

EngineSwitches& Switches();
// Restores every switch to its default (tests).
void ResetSwitches();

}  // namespace xb
