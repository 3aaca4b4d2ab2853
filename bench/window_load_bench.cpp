// window_load_bench [COUNT] [--cold]: loads a COUNT-entry playlist (10,000
// by default) in the running voltrak.exe, reading on one thread and reading
// ahead on several, and, in the same run, with a bare loop of the same
// per-file calls; prints the times, their ratios, and how long the window
// kept a message waiting while it loaded. With --cold, the system's page
// cache is dropped before each (as root only; said and skipped otherwise).
// Run it under Wine.
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

// Drops the page cache of the system Wine runs on, where this may (root):
// Wine starts the system's own shell for it, but cannot wait for it, so the
// shell leaves its answer in a file.
bool DropCaches() {
  const std::string answer = "/tmp/voltrak-drop-" + std::to_string(GetCurrentProcessId());
  std::string command = "/bin/sh -c \"rm -f " + answer +
                        "; if sync && echo 3 > /proc/sys/vm/drop_caches; then echo ok; "
                        "else echo no; fi > " + answer + ".part && mv " + answer + ".part " +
                        answer + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA("Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const std::string windowsName = "Z:" + answer;
  for (int waited = 0; waited < 600; ++waited) {
    std::string text = e2e::ReadText(windowsName);
    if (!text.empty()) {
      DeleteFileA(windowsName.c_str());
      return text.compare(0, 2, "ok") == 0;
    }
    Sleep(100);
  }
  return false;
}

struct WindowLoad {
  bool Loaded = false;
  double Seconds = 0;
  unsigned Answers = 0, LongestMs = 0;
};

// A drop of the playlist onto a voltrak.exe started for it, with the
// reading threads `threads` names (null: the program's own choice).
WindowLoad LoadInWindow(const e2e::Scratch& scratch, const std::string& playlist,
                        const char* threads) {
  WindowLoad result;
  SetEnvironmentVariableA("VOLTRAK_READ_THREADS", threads);
  // No last file from the run before, which the program would load first.
  DeleteFileA(scratch.SettingsFile.c_str());
  // Nothing on the command line: the timed load is a drop of the playlist,
  // sent so that it returns when the load has ended.
  e2e::App app(scratch, nullptr);
  if (!app.Main()) {
    std::fprintf(stderr, "no main window: %s\n", app.State().c_str());
    return result;
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
  result.Loaded = app.Drop({playlist}, POINT{2, 2}, 600000);
  result.Seconds = Seconds(start, Now());
  loading = false;
  probe.join();
  app.Close();
  result.Answers = answers;
  result.LongestMs = longestMs;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  e2e::Scratch scratch;
  const voltrak::GeneratedPlaylist made = e2e::BenchPlaylist(argc, argv, scratch);
  if (made.Error) return 1;
  const unsigned count = made.Entries;
  bool cold = argc > 2 && std::string(argv[2]) == "--cold";
  if (cold && !DropCaches()) {
    std::printf("cold: the page cache cannot be dropped here (root only): warm runs only\n");
    cold = false;
  }
  // Warm: the same cache for every run; cold: an empty one before each.
  auto prepare = [&] {
    if (cold) DropCaches();
  };

  unsigned opened = 0;
  if (!cold) BareLoop(scratch.Work, made.PlaylistPath, &opened);
  prepare();
  const double bare = BareLoop(scratch.Work, made.PlaylistPath, &opened);
  prepare();
  const WindowLoad oneThread = LoadInWindow(scratch, made.PlaylistPath, "1");
  prepare();
  const WindowLoad ahead = LoadInWindow(scratch, made.PlaylistPath, nullptr);
  if (!oneThread.Loaded || !ahead.Loaded) {
    std::fprintf(stderr, "the load did not end\n");
    return 1;
  }
  std::printf("%s cache; entries %u, files opened by the bare loop %u\n", cold ? "cold" : "warm",
              made.Entries, opened);
  std::printf("bare loop            %8.3f s  (%.1f us per file)\n", bare, bare * 1e6 / count);
  for (const auto& [name, load] : {std::make_pair("one thread ", oneThread),
                                   std::make_pair("read ahead ", ahead)}) {
    std::printf("window, %s  %8.3f s  (%.1f us per file), %.2fx the bare loop; answered %u "
                "times, longest wait %u ms\n",
                name, load.Seconds, load.Seconds * 1e6 / count, load.Seconds / bare, load.Answers,
                load.LongestMs);
  }
  std::printf("read ahead / one thread %.2f  (target: at most 0.5 cold); one thread / bare loop "
              "at most 1.5\n", ahead.Seconds / oneThread.Seconds);
  return 0;
}
