#pragma once
// Changing records of the current work area: Append and Replace store the
// SwapBuffer, DeleteRec and RecallRec flip the deletion flag in place.
//
// Lock rules on a table that is not open exclusively: Append needs the
// append lock (checked when network mode is on); Replace, DeleteRec and
// RecallRec need the current record in the record lock list (an append
// lock does not count).
//
// Promises:
//   (1) A write that fails leaves every record stored earlier as it was and
//       the error state naming the table and the operation.
//   (2) After Append and Replace the written record is current, BOF and EOF
//       clear. Deleting never moves the record pointer.
//   (3) With an index order active, IndexSetUpdating brackets every write
//       and the index layer sees the old values before a Replace and the
//       new ones after it.
//   (4) Append and Replace return false whenever key maintenance failed,
//       even though the record itself was stored: a tag then lacks the
//       record or still holds its old key, and only the error says so.
namespace xb {

void ClearRecord();
bool Append();
bool Replace();
bool DeleteRec();
bool RecallRec();
bool Deleted();

}  // namespace xb
