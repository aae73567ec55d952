// Where cTrack records live: in blocks of 2 MiB of their own, one record after another.
// A catalogue of years holds a million of them, and every walk of it (loading, saving,
// the indexes) goes from record to record: at one stride the processor reads ahead,
// where records strewn between the heap blocks of their texts cost a cache miss each.
// A block whose records are all gone is kept for the next ones, its pages left for the
// system to take back.
#ifndef __VIMORA_TRACK_POOL_H
#define __VIMORA_TRACK_POOL_H

#include <stddef.h>

// Memory for one record of Size bytes; a size other than a cTrack's comes from the heap.
// Throws std::bad_alloc when the system has no memory left. Any thread.
void *TrackAllocate(size_t Size);
// Gives back what TrackAllocate returned for the same Size. Any thread.
void TrackRelease(void *Record, size_t Size);
// False where every record comes from the heap: under AddressSanitizer, which finds a
// record used after its deletion only then.
bool TrackPooled(void);
// The blocks that hold records now, of 2 MiB each.
size_t TrackPoolBlocks(void);

#endif
