#pragma once
// Opening and closing a work area's index file and choosing the order:
// SetIndexTo, OpenIndex, CloseIndexes, Set_Order_To, SetOrderToTag,
// CurrentOrder.
//
// After OpenIndex every tag of the file is open, tag i in position i, tag 1
// controls the order, and the table stands on the first visible record in
// that order. Set_Order_To(n) puts tag n into position 1 and tag 1 into
// position n (every other tag stays in the position of its own number), so
// one swap undoes the last.
//
// Failures are recorded in the engine's error state and the command returns
// false; no exception leaves these commands unless SetError itself raises
// (ReportErrors with RaiseErrors), and Set_Order_To swallows even that.
#include <string>

#include "engine/index/mdx_file.h"

namespace xb {

struct WorkArea;

// The index file a name means for `area`: trimmed; empty gives the table's
// name with the extension MDX; a name without extension gets MDX; a name
// without a folder gets the table's folder.
std::string IndexFileNameFor(const WorkArea& area, const std::string& name);

bool SetIndexTo(const std::string& name);
bool OpenIndex(const std::string& name);
void CloseIndexes();
void CloseIndexesIn(WorkArea& area);

void Set_Order_To(int n);
bool SetOrderToTag(const std::string& name);
// 0 in natural order or without index, else the controlling tag's number.
int CurrentOrder();
// The controlling tag's name, empty in natural order or without index.
std::string CurrentTagName();

// Opens the tags of an index file whose header is already in `mdx` (also
// used by the verifier). The table is positioned on tag 1's first visible
// record when `position_table`.
Status OpenTags(MdxFile& mdx, bool position_table);

}  // namespace xb
