#pragma once
// Pack: removes the deleted records of the current table, compacts its memo
// file and rebuilds its open index, so that a crash at any moment leaves
// the table, memo and index either all as they were or all packed.
//
// The packed files are built beside the old ones, which are only read:
//   (1) the table's live records, in file order, into "<base>.$PD"; each
//       record's memos are copied on the way into "<base>.$PM" and the
//       record carries their new block numbers (the old table is never
//       written, so no record can point into the wrong memo file);
//   (2) the open index's tags into "<base>.$PX", numbering the live
//       records from 1;
//   (3) each side file is flushed, then the journal "<base>.$PK" naming
//       them is written and flushed: the commit point;
//   (4) the side files are renamed over memo, index and table, and the
//       journal deleted (pack_journal.h); then the table, memo and index
//       are opened again under their own names.
// A failure or a crash before (3) leaves the old files untouched, and the
// side files are removed by the next Pack. After (3) the next open of the
// table finishes the renames (RecoverUnfinishedPack).
//
// A memo that cannot be read (a damaged header, a block or length outside
// the file) makes Pack refuse with code 1003 naming every such record,
// before anything was switched: dropping it would lose the user's text.
//
// Records are copied as raw bytes: an OEM table's text is not translated to
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
