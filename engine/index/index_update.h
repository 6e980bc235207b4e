#pragma once
// Keeping every open tag of a work area in step with its records: the key
// of a new record is added to each tag (AppendNewKey), and a changed record
// moves from its old key to its new one (NoteOldKeys before the write,
// CompareKeys after it). These run inside the writer lock of the semaphore
// file when the table is shared; the header and changed anchors are written
// back at the end of each operation.
//
// Promises:
//   (1) A failed AppendNewKey leaves no key of the new record in any tag:
//       the keys already added are removed again.
//   (2) A record that does not satisfy a tag's FOR condition has no entry in
//       it, after an append and after a replace (in both directions).
#include <cstdint>

#include "engine/index/mdx_file.h"
#include "engine/table/status.h"

namespace xb {

// Inserts `key` for record `recno` into `tag` (nothing when the record
// fails the FOR condition, or a unique tag has the key). `newest` says that
// no entry of the tag has a higher record number (an append), which places
// the entry after its equal keys without reading them. `inserted` (optional)
// tells whether an entry was added.
Status AppendIndex(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int32_t recno, bool newest,
                   bool* inserted);
// Removes the entry (key, recno); `removed` tells whether there was one.
Status RemoveKey(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int32_t recno, bool& removed);

// After a new record (the current one) was written.
Status AppendNewKey(MdxFile& mdx);
// Before a replace, on the record as stored: notes each tag's key.
void NoteOldKeys(MdxFile& mdx);
// After the changed record was written.
Status CompareKeys(MdxFile& mdx);

}  // namespace xb
