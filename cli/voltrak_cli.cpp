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

#include <cstdlib>

namespace {

// A run is one short-lived process that fills tens of megabytes once: the
// records, their texts and the playlist text. The heap is grown once and
// left in place, so that no block of it goes back to the system to be
// asked for again; only what is touched becomes resident. Huge pages would
// spare some page faults but round what is resident up to 2 MiB a time,
// which costs more memory at the peak than the faults cost time.
void PrepareHeap() {
  constexpr size_t kArena = size_t{1} << 30;
  // Large blocks come from this heap too, rather than from mappings of
  // their own, and freeing them does not hand the space back.
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kArena));
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(kArena));
  // Below the threshold, so that it is carved from the heap itself.
  void* block = std::malloc(kArena - (size_t{4} << 20));
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
  return voltrak::cli::RunCli(args, stdout, stderr);
}
