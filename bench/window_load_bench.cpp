// window_load_bench [COUNT]: loads a COUNT-entry playlist (10,000 by default)
// in the running voltrak.exe and, in the same run, with a bare loop of the
// same per-file calls; prints both times, their ratio, and how long the
// window kept a message waiting while it loaded. Run it under Wine.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "tests/e2e/harness.h"
#include "tools/playlist_generator.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

// What a load does per entry, and nothing else: open, size, the last 128
// bytes, close.
double BareLoop(const std::string& folder, const std::string& playlist, unsigned* opened) {
  LARGE_INTEGER start = Now();
  std::istringstream lines(e2e::ReadText(playlist));
  std::string line;
  *opened = 0;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::string path = line.size() > 1 && line[1] == ':' ? line : folder + "\\" + line;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    LARGE_INTEGER size{}, back{};
    back.QuadPart = -128;
    unsigned char tail[128];
    DWORD got = 0;
    if (GetFileSizeEx(file, &size) && SetFilePointerEx(file, back, nullptr, FILE_END)) {
      ReadFile(file, tail, sizeof tail, &got, nullptr);
    }
    CloseHandle(file);
    ++*opened;
  }
  return Seconds(start, Now());
}

}  // namespace

int main(int argc, char** argv) {
  e2e::Scratch scratch;
  const voltrak::GeneratedPlaylist made = e2e::BenchPlaylist(argc, argv, scratch);
  if (made.Error) return 1;
  const unsigned count = made.Entries;

  unsigned opened = 0;
  BareLoop(scratch.Work, made.PlaylistPath, &opened);  // the same warm cache for both
  const double bare = BareLoop(scratch.Work, made.PlaylistPath, &opened);

  // Nothing on the command line: the timed load is a drop of the playlist,
  // sent so that it returns when the load has ended.
  e2e::App app(scratch, nullptr);
  if (!app.Main()) {
    std::fprintf(stderr, "no main window: %s\n", app.State().c_str());
    return 1;
  }
  // While the timed load runs, another thread keeps asking the window for an
  // answer and notes the longest wait.
  std::atomic<bool> loading{true};
  std::atomic<unsigned> longestMs{0}, answers{0};
  HWND window = app.Main();
  std::thread probe([&] {
    while (loading) {
      const ULONGLONG asked = GetTickCount64();
      DWORD_PTR ignored = 0;
      if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored)) ++answers;
      const unsigned waited = static_cast<unsigned>(GetTickCount64() - asked);
      longestMs = std::max(longestMs.load(), waited);
      Sleep(5);
    }
  });
  LARGE_INTEGER start = Now();
  const bool loaded = app.Drop({made.PlaylistPath}, POINT{2, 2}, 600000);
  const double windowed = Seconds(start, Now());
  loading = false;
  probe.join();
  app.Close();
  if (!loaded) {
    std::fprintf(stderr, "the load did not end\n");
    return 1;
  }
  std::printf("entries %u, files opened by the bare loop %u\n", made.Entries, opened);
  std::printf("bare loop   %8.3f s  (%.1f us per file)\n", bare, bare * 1e6 / count);
  std::printf("window load %8.3f s  (%.1f us per file)\n", windowed, windowed * 1e6 / count);
  std::printf("ratio       %8.2f  (target: at most 1.5)\n", windowed / bare);
  std::printf("window answered %u times during the load; longest wait %u ms\n", answers.load(),
              longestMs.load());
  return 0;
}
