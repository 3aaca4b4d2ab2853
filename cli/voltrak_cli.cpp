// voltrak-cli: loads and plans a playlist without a window.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_run.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// A run is one short-lived process that fills tens of megabytes once: the
// records, their texts and the playlist text. Taken a 4 KiB page at a time,
// the faults cost a tenth of the run. So the heap is grown once and left in
// place, and its first 32 MiB are marked for huge pages; only what is
// touched becomes resident. Past that, plain pages: a huge page is resident
// whole once touched, which at the top of the heap would add up to 2 MiB to
// the peak for a few faults spared.
void PrepareHeap() {
  constexpr size_t kArena = size_t{1} << 30;
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  constexpr uintptr_t kHugeSpan = uintptr_t{32} << 20;
  // Large blocks come from this heap too, rather than from mappings of
  // their own, and freeing them does not hand the space back.
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kArena));
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(kArena));
  // Below the threshold, so that it is carved from the heap itself.
  const size_t size = kArena - 2 * kHugePage;
  void* block = std::malloc(size);
  if (block == nullptr) return;
  const uintptr_t first = reinterpret_cast<uintptr_t>(block);
  const uintptr_t begin = (first + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = std::min<uintptr_t>((first + size) & ~(kHugePage - 1), begin + kHugeSpan);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  std::free(block);
}

}  // namespace
#else
namespace {
void PrepareHeap() {}
}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // The same bytes as on every other system: no CR added before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  PrepareHeap();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  voltrak::Playlist playlist;
  return voltrak::cli::RunCli(args, stdout, stderr, playlist);
}
