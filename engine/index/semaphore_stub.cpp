#include "engine/index/semaphore_stub.h"

namespace xb {

// STUB: see the header. Nothing here touches a file or a lock.
bool HandleSemafore(WorkArea& /*area*/, SemaphoreAction /*action*/) { return true; }
bool SetReadSemaphoreProc(WorkArea& /*area*/, bool /*on*/) { return true; }
bool SetLockSemaphoreProc(WorkArea& /*area*/, bool /*on*/) { return true; }
bool IndexChangeCheck(WorkArea& /*area*/) { return false; }

}  // namespace xb
