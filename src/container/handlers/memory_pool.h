// Block allocation for the session handler: every block carries a 16-byte
// header, and small blocks of a container come from that container's pool.
#pragma once

#include "container/omfi_handlers.h"

namespace container {

// Allocates `size` bytes for `container` (null: not tied to a container).
// `session` may be null, in which case no pool or counter is used. Answers
// null when memory is exhausted.
void* allocateBlock(CMHandlerSession* session, CMContainer container, CMSize size);

// Gives back a block of allocateBlock. Pooled blocks return to their pool's
// free list; the others are freed.
void freeBlock(CMHandlerSession* session, void* block);

// Frees every chunk of `container`'s pool and the pool itself.
void freeContainerPool(CMHandlerSession* session, CMContainer container);

} // namespace container
