#include "track_pool.h"

#include <cstddef>
#include <mutex>
#include <new>
#include <stdint.h>
#include <sys/mman.h>
#include <unistd.h>

#include "tracks.h"

#if defined(__SANITIZE_ADDRESS__)
#define VIMORA_TRACK_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VIMORA_TRACK_POOL 0
#endif
#endif
#ifndef VIMORA_TRACK_POOL
#define VIMORA_TRACK_POOL 1
#endif

namespace {

const size_t BlockBytes = size_t(2) << 20;

struct tBlock {
  tBlock *prev, *next; // among the blocks with room
  void *freed;         // slots given back, each holding the address of the next
  size_t live;         // slots in use
  size_t used;         // slots handed out from the front so far
};

const size_t SlotBytes = (sizeof(cTrack) + alignof(cTrack) - 1) / alignof(cTrack) * alignof(cTrack);
const size_t HeaderBytes = (sizeof(tBlock) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);
const size_t SlotsPerBlock = (BlockBytes - HeaderBytes) / SlotBytes;

// Plain data and a mutex without a destructor to run: the pool stays usable while the
// plug-in's lists are destroyed at exit, whatever the order.
std::mutex poolMutex;
tBlock *roomy = nullptr; // the blocks with a free slot
tBlock *spare = nullptr; // empty blocks, chained through next
size_t blocks = 0;       // in use, not spare

bool Full(const tBlock *Block)
{
  return !Block->freed && Block->used == SlotsPerBlock;
}

void Link(tBlock *Block)
{
  Block->prev = nullptr;
  Block->next = roomy;
  if (roomy)
     roomy->prev = Block;
  roomy = Block;
}

void Unlink(tBlock *Block)
{
  if (Block->prev)
     Block->prev->next = Block->next;
  else
     roomy = Block->next;
  if (Block->next)
     Block->next->prev = Block->prev;
}

// A block aligned to its size, so that a slot finds its block by its address alone. No
// huge pages: asking for them made loading slower, the kernel zeroing and compacting them.
tBlock *NewBlock(void)
{
  void *area = mmap(nullptr, 2 * BlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED)
     throw std::bad_alloc();
  uintptr_t start = uintptr_t(area), aligned = (start + BlockBytes - 1) & ~(BlockBytes - 1);
  if (aligned > start)
     munmap(area, aligned - start);
  if (start + 2 * BlockBytes > aligned + BlockBytes)
     munmap((void *)(aligned + BlockBytes), start + 2 * BlockBytes - aligned - BlockBytes);
  tBlock *block = new ((void *)aligned) tBlock{};
  blocks++;
  return block;
}

} // namespace

void *TrackAllocate(size_t Size)
{
  if (!VIMORA_TRACK_POOL || Size != sizeof(cTrack))
     return ::operator new(Size);
  std::lock_guard<std::mutex> lock(poolMutex);
  tBlock *block = roomy;
  if (!block && spare) {
     block = spare;
     spare = spare->next;
     blocks++;
     Link(block);
  }
  if (!block) {
     block = NewBlock();
     Link(block);
  }
  void *slot;
  if (block->freed) {
     slot = block->freed;
     block->freed = *(void **)slot;
  }
  else
     slot = (char *)block + HeaderBytes + block->used++ * SlotBytes;
  block->live++;
  if (Full(block))
     Unlink(block);
  return slot;
}

void TrackRelease(void *Record, size_t Size)
{
  if (!Record)
     return;
  if (!VIMORA_TRACK_POOL || Size != sizeof(cTrack)) {
     ::operator delete(Record);
     return;
  }
  std::lock_guard<std::mutex> lock(poolMutex);
  tBlock *block = (tBlock *)(uintptr_t(Record) & ~(BlockBytes - 1));
  bool wasFull = Full(block);
  *(void **)Record = block->freed;
  block->freed = Record;
  if (--block->live == 0) {
     if (!wasFull)
        Unlink(block);
     // Kept for the next records, handed out from the front again, but its pages are the
     // system's to take back when it needs them: a catalogue loaded again finds its
     // memory ready, and one that is gone holds none that anybody else wants.
     *block = tBlock{};
     size_t page = size_t(sysconf(_SC_PAGESIZE));
     madvise((char *)block + page, BlockBytes - page, MADV_FREE);
     block->next = spare;
     spare = block;
     blocks--;
  }
  else if (wasFull)
     Link(block);
}

size_t TrackPoolBlocks(void)
{
  std::lock_guard<std::mutex> lock(poolMutex);
  return blocks;
}

bool TrackPooled(void)
{
  return VIMORA_TRACK_POOL;
}
