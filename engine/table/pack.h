#pragma once
// Pack: removes the deleted records of the current table in place.
//
// The live records after the first deleted one move down over the gaps,
// one record at a time, in file order; records before the first deleted
// one are neither read twice nor rewritten. Then the file is cut after the
// last kept record, the end-of-file byte 0x1A is written and the header
// gets the new count.
//
// Order of writes and what a failure leaves behind:
//   (1) moving record i down to w < i copies it; the original stays at i
//       until the truncation, so a failure during the copy loop loses no
//       live record (some may then be present twice) and the header still
//       carries the old count;
//   (2) truncation and the end-of-file byte;
//   (3) the header with the kept count.
//
// Records are moved as raw bytes: an OEM table's text is not translated to
// ANSI and back on the way, which could change characters that have no
// counterpart in the other code page.
//
// A table not open exclusively is reopened in the exclusive mode for the
// duration and reopened shared at the end; when another open holds the
// table the exclusive reopen is refused and Pack returns false without a
// message, the table still open shared.
namespace xb {

bool Pack();

}  // namespace xb
