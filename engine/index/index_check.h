#pragma once
// The verifier: walks every tag of the current work area's open index file
// and checks the file's invariants (mdx_format.h, mdx_node.h) and the tags
// against the table's records. Used by `xbtool check` and by the tests.
//
// Checked per file: the tag count, each tag entry's block, the name tree.
// Checked per tag, walking the tree from its root:
//   - every node block is even, >= 4 and inside the file, reached once;
//   - key counts within the tag's capacity; all leaves at one depth;
//   - keys in order under the tag's comparison (strictly for unique tags);
//   - each separator key equals the greatest key below it;
//   - the entries are exactly the records' keys: every record that
//     satisfies the FOR condition has its key with its record number (a
//     unique tag: every distinct key once, from a record that has it);
//   - header byte 246 is set when the tag holds a key.
#include <string>
#include <vector>

namespace xb {

struct WorkArea;

// Faults found, each a line of text naming the tag; empty when all is well.
// REQUIRES: the area has its index file open (SetIndexTo).
std::vector<std::string> VerifyIndexFile(WorkArea& area);

}  // namespace xb
