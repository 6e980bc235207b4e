#pragma once
// Record, append and table locks on the current work area's table file, and
// the exclusive reopen that Pack and index building use.
//
// Lock regions (byte ranges of the table file, all far beyond its data):
//
//   REGION            OFFSET                                    LENGTH
//   table lock byte   lock base                                 1
//   append lock       lock base + 1                             1
//   record n          lock base + header length                 record length
//                       + (n - 1) * record length
//
// With the default lock base 0x40000000, record 1 of a table whose header is
// 97 bytes long is locked from 0x40000061. Record regions never overlap the
// two single bytes, since a header is at least 33 bytes long.
//
// Locks are the platform's non-blocking byte-range locks, owned by the open
// file: a second open of the same table, in this process or another,
// conflicts with them, and closing the file (or the process ending, however
// it ends) releases them.
//
// Promises:
//   (1) A refused ALock or RLock records nothing in the error state; the
//       caller decides what to tell the user.
//   (2) Append and record locks never coexist on one table.
//   (3) With network mode off, or on a table open exclusively, no lock call
//       reaches the file and every request succeeds.
//   (4) On a shared table the header's record count and the end-of-file
//       byte are written only under the append lock, with the count taken
//       from the file size inside it. Written outside it, a count taken
//       earlier would put the end-of-file byte over the deletion flag of a
//       record another program appended since, and readers that stop at
//       that byte would lose every record from there on.
#include <cstdint>

#include "platform/file.h"

namespace xb {

struct WorkArea;

bool ALock();
bool RLock();
bool IsLocked(int32_t n);
// n: a locked record number, -1 the oldest lock, -2 the newest, -3 all.
bool UnlockRec(int32_t n);
void Unlock();

bool LockTableByte();
void UnlockTableByte();
// Closes and reopens the current table file in the exclusive or the shared
// open mode; 0 or an error code. A table opened exclusively by Use gives 5.
int ReopenTable(bool exclusive);

// Low level. Network mode off: 0 without touching the file.
int LockRegion(bool lock, platform::File& file, uint64_t offset, uint64_t length);
// Tries the lock 1 + retry count times, waiting retry-wait seconds before
// each retry while the application keeps processing its messages.
bool LockWithRetry(platform::File& file, uint64_t offset, uint64_t length);

// Offset of record n's lock region in `area`'s table.
uint64_t RecordLockOffset(const WorkArea& area, int32_t n);

// Releases every lock of `area` (Unlock without selecting it); used when
// a table is closed. Releasing the append lock of a shared table first
// brings its header up to date (see SettleSharedHeader).
void UnlockArea(WorkArea& area);

// For a shared table with a header write pending: takes the append lock
// with a single try (unless held already), counts the whole records in the
// file and writes the header and end-of-file byte, then lets the lock go.
// When another program holds the append lock the write is dropped: that
// program appends, and its own release writes the header. REQUIRES: no
// record locks held.
void SettleSharedHeader(WorkArea& area);

}  // namespace xb
