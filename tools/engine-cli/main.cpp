// engine-cli: the developers' harness over the scan engine (see EngineCli.h).

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>

#include "EngineCli.h"
#include "Engines/BuiltInEngines.h"

namespace {

// Writes to a descriptor of its own, so the listing keeps standard output while everything else the process
// prints (the engine's own diagnostic lines included) goes to standard error.
class DescriptorBuffer final : public std::streambuf {
 public:
  explicit DescriptorBuffer(int fd) : m_fd(fd) { setp(m_buffer, m_buffer + sizeof m_buffer); }
  ~DescriptorBuffer() override { sync(); }

 protected:
  int overflow(int ch) override {
    if (sync() != 0) return traits_type::eof();
    if (ch != traits_type::eof()) {
      *pptr() = static_cast<char>(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }
  int sync() override {
    for (const char* next = pbase(); next < pptr();) {
      const ssize_t written = write(m_fd, next, static_cast<std::size_t>(pptr() - next));
      if (written <= 0) return -1;
      next += written;
    }
    setp(m_buffer, m_buffer + sizeof m_buffer);
    return 0;
  }

 private:
  int m_fd;
  char m_buffer[1 << 16];
};

// A scan keeps a record for every file it lists: on huge pages they cost a page fault per 2 MiB instead of one per
// 4 KiB. The kernel gives huge pages only to memory that asks where its mode is "madvise", and malloc asks only
// when a tunable read at start-up says so: instead the heap is grown once by kHeapReserve (address space only;
// pages count when they are touched), that stretch asks, and it is never given back, as a heap grown again
// past a trim would not ask. Sized for the largest scans timed (400,000 files take about 150 MiB): the heap
// beyond it stays on small pages. Only a hint: without huge pages nothing changes.
void OfferHeapForHugePages() {
  constexpr std::size_t kHeapReserve = std::size_t{512} << 20;
  constexpr std::size_t kDefaultTopPad = 128 << 10;
  constexpr std::uintptr_t kHugePage = 2 << 20;
  mallopt(M_TOP_PAD, kHeapReserve);
  // Larger than the heap's free top, so that the heap grows (by the pad too) now.
  constexpr std::size_t kGrow = 1 << 20;
  void* grow = std::malloc(kGrow);
  // Later growths ask only for what they need: a reserve that large each time could fail where memory is
  // not overcommitted.
  mallopt(M_TOP_PAD, kDefaultTopPad);
  if (grow == nullptr) return;
  const auto at = reinterpret_cast<std::uintptr_t>(grow);
  // The top is not trimmed below the reserve, now or later.
  mallopt(M_TRIM_THRESHOLD, kHeapReserve + kGrow + kHugePage);
  std::free(grow);
  // Where the heap ends once the block is back.
  const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
  // Only the stretch just grown below the break: a heap that could not grow there (or a sanitizer's allocator)
  // is left alone.
  if (at + kGrow > end || end - at > kGrow + kHeapReserve + kHugePage) return;
  const std::uintptr_t from = (at + kHugePage - 1) / kHugePage * kHugePage;
  const std::uintptr_t to = end / kHugePage * kHugePage;
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace

int main(int argc, char** argv) {
  // Blocks of 128 KiB and more (growing lists of nodes, read buffers) come from the heap, where freed memory is
  // used again, instead of fresh mappings whose every page the kernel clears first: a scan of many files
  // otherwise spends more time in those page faults than in reading its file system.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  OfferHeapForHugePages();
  std::fflush(stdout);
  const int listing = dup(STDOUT_FILENO);
  if (listing < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    std::perror("engine-cli");
    return kCliFailed;
  }
  DescriptorBuffer buffer(listing);
  std::ostream out(&buffer);
  RegisterBuiltInEngines();
  const int status = EngineCliMain(std::vector<std::string>(argv + 1, argv + argc), out, std::cerr,
                                   isatty(STDERR_FILENO) != 0);
  out.flush();
  return status;
}
