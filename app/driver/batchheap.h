#pragma once

// Sets the memory allocator up for a batch run, before its first large allocation. A batch
// run reads its files, builds its tables and draws once, then ends: the memory it frees is
// better kept for its next allocation than given back to the system and asked for again, and
// its heap is better made of large pages (a first touch of each small page costs a trap into
// the system, which in a batch run of many thousand regions added up to a fifth of the time).
// Memory is only reserved, not used, until it is written to.
void PrepareBatchHeap();
