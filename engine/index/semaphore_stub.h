#pragma once
// STUB, NOT THE REAL PROTOCOL. Stand-ins for the index semaphore calls
// (LOGIN/LOGOUT, reader registration, writer lock, change check) through
// which processes sharing an index file coordinate. Until the semaphore
// files are built every call here succeeds without touching any file, and
// the change check never reports a change made by another process. The
// index layer already calls them at the right places, so replacing this
// unit is all the real protocol needs.
#include <string>

namespace xb {

struct WorkArea;

// The six actions of the protocol, by the names the messages use.
enum class SemaphoreAction { kLogin, kLogout, kIncRead, kDecRead, kLockSemaphore, kUnlockSemaphore };

// STUB: always succeeds.
bool HandleSemafore(WorkArea& area, SemaphoreAction action);
// STUB: always succeeds; nesting is not tracked yet.
bool SetReadSemaphoreProc(WorkArea& area, bool on);
bool SetLockSemaphoreProc(WorkArea& area, bool on);
// STUB: true when another process changed the index since this process last
// read its anchors. Always false until the semaphore files exist.
bool IndexChangeCheck(WorkArea& area);

// A read registration for the length of a scope.
class ReadRegistration {
 public:
  explicit ReadRegistration(WorkArea& area) : area_(area) { SetReadSemaphoreProc(area_, true); }
  ~ReadRegistration() { SetReadSemaphoreProc(area_, false); }
  ReadRegistration(const ReadRegistration&) = delete;
  ReadRegistration& operator=(const ReadRegistration&) = delete;

 private:
  WorkArea& area_;
};

}  // namespace xb
