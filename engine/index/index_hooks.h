#pragma once
// The index layer's operation table for the table layer (IndexHooks):
// navigation in the controlling tag's order (or in record-number order
// while natural order is chosen), closing the index with the table, and
// rebuilding it after Pack, keeping every open tag in step on append and
// replace (index_update), and the semaphore calls around moves and updates.
// IndexInit installs it once at start-up.
#include "engine/table/hooks.h"

namespace xb {

class MdxIndexHooks : public IndexHooks {
 public:
  bool IndexActive(WorkArea& area) override;
  int32_t IndexFirst(WorkArea& area) override;
  int32_t IndexLast(WorkArea& area) override;
  int32_t IndexNext(WorkArea& area) override;
  int32_t IndexPrev(WorkArea& area) override;
  bool IndexAtEOF(WorkArea& area) override;
  bool IndexAtBOF(WorkArea& area) override;
  void IndexSync(WorkArea& area) override;
  void IndexAfterMove(WorkArea& area) override;
  void IndexOnBOF(WorkArea& area) override;
  void IndexOnEOF(WorkArea& area) override;
  void IndexSetMoving(WorkArea& area, bool on) override;
  bool IndexSetUpdating(WorkArea& area, bool on) override;
  bool IndexAddKeys(WorkArea& area) override;
  bool IndexBeforeReplace(WorkArea& area) override;
  bool IndexAfterReplace(WorkArea& area) override;
  void IndexClose(WorkArea& area) override;
  void IndexReindex(WorkArea& area) override;
  OpenIndex IndexOpenState(WorkArea& area) override;
  bool IndexBuildPacked(WorkArea& area, const std::string& side_name) override;
  bool IndexReopen(WorkArea& area, const OpenIndex& state) override;
};

// Installs the index layer's hooks (idempotent).
void IndexInit();

}  // namespace xb
