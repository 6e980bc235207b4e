#pragma once
// What a process does when it finds that another one died in the middle of
// an index update (the semaphore layer sees the dead writer's mark, clears
// it and says so through TakeDeadWriterRepair): the dead writer may have
// added a key to some tags and not to others, or moved a key halfway, so
// every tag of the index is rebuilt from the table. The rebuild goes
// through MakeIndex, which builds into a side file and renames it over the
// index only when complete, so a stop during the repair leaves the index
// as it was, and the next open repairs again.
namespace xb {

struct WorkArea;

// When `area`'s last semaphore action cleared a dead writer's mark,
// rebuilds the area's open index (keeping its controlling tag) and tells
// the user what was repaired through the message box seam. True when
// nothing was needed or the rebuild worked; false with the error state
// set (naming the cure) when the index could not be rebuilt, for example
// because another program has it open.
bool RepairAfterDeadWriter(WorkArea& area);

}  // namespace xb
