#pragma once
// Engine memory blocks: zero-filled byte blocks owned through unique_ptr.
// Freeing a reference that holds nothing is an engine error, because it
// means the caller's bookkeeping went wrong.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace xb {

using Block = std::unique_ptr<uint8_t[]>;

// A zero-filled block of `size` bytes; empty when the memory is not there.
Block AllocBlock(size_t size);
// Frees the block and leaves the reference empty; an empty reference gives
// SetError(9, "Attempt to free NIL pointer [FreeMem()]").
void FreeBlock(Block& block);

}  // namespace xb
