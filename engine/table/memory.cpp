#include "engine/table/memory.h"

#include <new>

#include "engine/table/error_state.h"

namespace xb {

Block AllocBlock(size_t size) { return Block(new (std::nothrow) uint8_t[size == 0 ? 1 : size]()); }

void FreeBlock(Block& block) {
  if (!block) {
    SetError(9, "Attempt to free NIL pointer [FreeMem()]");
    return;
  }
  block.reset();
}

}  // namespace xb
