#pragma once
// The only ways the program writes a record. Every write takes the lock
// another program must respect: the append lock for a new record, the
// record lock to rewrite or delete one. The lock is released on every path,
// and a write the engine refuses is reported, never taken for done.
namespace xb {
class TXbDbf;
}

namespace qp {

enum class WriteOutcome {
  Written,
  LockRefused,  // another program holds the lock; nothing changed
  Failed,       // the engine refused the write; its error state says why
};

// The record buffer is filled; append it under the append lock.
WriteOutcome AppendWithLock(xb::TXbDbf& table);
// The current record's fields are put; write it back under its lock. When
// the lock is refused the pending changes are dropped.
WriteOutcome RewriteWithLock(xb::TXbDbf& table);
// Deletes the current record under its lock.
WriteOutcome DeleteWithLock(xb::TXbDbf& table);
// Drops field puts that will not be written, so the next command starts
// from the stored record rather than from half-made changes.
void DropPendingEdit(xb::TXbDbf& table);
// Copies the current note into the trash and, only when that append
// happened, deletes it from the notes.
WriteOutcome MoveToTrash(xb::TXbDbf& notes, xb::TXbDbf& trash);

}  // namespace qp
