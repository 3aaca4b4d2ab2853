#include "player/file_watcher.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "resources/private_messages.h"
#include "player/player_rules.h"
#include "support/file_system.h"
#include "support/unique_handle.h"

namespace voltrak {
namespace {

using PathBuffer = char[kMaxPathLength + 1];

// A file that another program still holds open for writing would make the
// reload's own open fail: it is looked at again this much later.
constexpr DWORD kBusyFileRetryMs = 50;

struct FileState {
  bool Opened = false;
  uint64_t Written = 0;  // 0 when the file could not be opened
  uint32_t Size = 0;
};

// What the watcher shares with the main thread, in fixed storage: reading
// it never allocates, and the lock is held only for a copy. Loaded is what
// the last start compares with.
SRWLOCK g_sharedLock = SRWLOCK_INIT;
PathBuffer g_path = "";
FileState g_loaded;

// Held around "not stopped yet? then send": a stop either comes first and
// no request follows, or it comes after the request is on its way. Never
// held across a wait.
SRWLOCK g_requestLock = SRWLOCK_INIT;

std::atomic<HWND> g_notified{nullptr};

// The file just before the last load read it, main thread only.
FileState g_beforeLoad;
bool g_beforeLoadNoted = false;

// The running watcher, main thread only: its thread and its wake-up event.
// The thread holds a copy of the event of its own.
struct WatcherRecord {
  KernelHandle Thread;
  KernelHandle Wake;
};
WatcherRecord g_watcher;

FileState ReadShared(PathBuffer& path) {
  AcquireSRWLockShared(&g_sharedLock);
  std::memcpy(path, g_path, sizeof path);
  FileState loaded = g_loaded;
  ReleaseSRWLockShared(&g_sharedLock);
  return loaded;
}

// Opens the file as the load does and takes its last-write time and size;
// false, with the system's last error, when it cannot.
bool Look(const char* path, FileState* state) {
  *state = FileState{};
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  FILETIME written{};
  if (GetFileTime(file.Get(), nullptr, nullptr, &written)) {
    state->Written = (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
  }
  state->Opened = true;
  state->Size = GetFileSize(file.Get(), nullptr);
  return true;
}

bool Stopped(HANDLE wake, DWORD waitMs = 0) {
  return WaitForSingleObject(wake, waitMs) != WAIT_TIMEOUT;
}

// Looks until no other program holds the file open for writing. False when
// the watcher was stopped meanwhile.
bool LookWhenFree(const char* path, HANDLE wake, FileState* state) {
  while (!Look(path, state) && GetLastError() == ERROR_SHARING_VIOLATION) {
    if (Stopped(wake, kBusyFileRetryMs)) return false;
  }
  return true;
}

void CALLBACK ReloadDone(HWND, UINT, ULONG_PTR done, LRESULT) {
  *reinterpret_cast<bool*>(done) = true;
}

// Asks the window to reload and waits until the load is done. False when
// the watcher was stopped first or meanwhile (most often by that very
// load): it must end then.
bool AskForReload(HANDLE wake) {
  bool done = false;
  AcquireSRWLockExclusive(&g_requestLock);
  const bool sent = !Stopped(wake) &&
                    SendMessageCallbackA(g_notified, MSG_LOAD_PLAYLIST, 0, 0, ReloadDone,
                                         reinterpret_cast<ULONG_PTR>(&done));
  ReleaseSRWLockExclusive(&g_requestLock);
  if (!sent) return false;
  MessageBeep(MB_ICONEXCLAMATION);
  while (!done) {
    if (MsgWaitForMultipleObjects(1, &wake, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0 + 1) {
      return false;
    }
    // Hands the answer to ReloadDone.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  return true;
}

// The thread. It allocates nothing: the path and the folder live on its
// stack, everything else is a handle.
DWORD WINAPI WatchPlaylist(void* parameter) {
  KernelHandle wake(static_cast<HANDLE>(parameter));
  OutputDebugStringA("Should watch:");
  PathBuffer path;
  // Compared with the file as it was before the load read it, not as this
  // thread first sees it: a save made after the read is reloaded, not lost.
  // The size counts as seen, so a list deleted right after its load is told
  // as a failed reload rather than kept quiet.
  const FileState loaded = ReadShared(path);
  uint64_t remembered = loaded.Written;
  uint32_t lastSize = loaded.Size;
  PathBuffer folder = "";
  std::memcpy(folder, path, WatchedFolderLength(path));
  ChangeNotification change(FindFirstChangeNotificationA(
      folder, FALSE, FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE));
  OutputDebugStringA(folder);
  if (!change) {
    // The folder is gone, or the path names none: only the watching ends;
    // the program goes on with its list and settings.
    OutputDebugStringA("Cannot watch that folder; the playlist is not followed.");
    return 0;
  }
  // Each look comes after the notification is armed, the first one without
  // waiting: a change made while the watcher looks wakes it once more.
  const HANDLE waits[] = {wake.Get(), change.Get()};
  for (;;) {
    ReadShared(path);  // the path as it stands now
    FileState now;
    if (!LookWhenFree(path, wake.Get(), &now)) return 0;
    if (now.Opened) lastSize = now.Size;
    if (ChangeAsksForReload(lastSize, now.Written, remembered, path[0] == '\0') &&
        !AskForReload(wake.Get())) {
      return 0;
    }
    remembered = now.Written;
    const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0) return 0;
    // A wait or a re-arm that fails (the folder gone) would fail again at
    // once: end rather than spin.
    if (woken != WAIT_OBJECT_0 + 1 || !FindNextChangeNotification(change.Get())) return 0;
  }
}

}  // namespace

void ShareWatchedPath(std::string_view path) {
  // A path too long to open only fails: the watcher then has nothing to look at.
  if (path.size() > kMaxPathLength) path = {};
  AcquireSRWLockExclusive(&g_sharedLock);
  path.copy(g_path, path.size());
  g_path[path.size()] = '\0';
  ReleaseSRWLockExclusive(&g_sharedLock);
}

void NotePlaylistBeforeLoad(std::string_view path) {
  PathBuffer name = "";
  if (path.size() <= kMaxPathLength) path.copy(name, path.size());
  Look(name, &g_beforeLoad);
  g_beforeLoadNoted = true;
}

void StartFileWatcher(HWND window, std::string_view path) {
  ShareWatchedPath(path);
  if (g_watcher.Thread) return;
  // Without a note, the file as it is now; only the main thread writes the
  // shared path, so it reads it here without the lock.
  FileState loaded = g_beforeLoad;
  if (!g_beforeLoadNoted) Look(g_path, &loaded);
  g_beforeLoadNoted = false;
  AcquireSRWLockExclusive(&g_sharedLock);
  g_loaded = loaded;
  ReleaseSRWLockExclusive(&g_sharedLock);
  g_notified = window;
  KernelHandle wake(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  HANDLE copy = nullptr;
  if (!wake || !DuplicateHandle(GetCurrentProcess(), wake.Get(), GetCurrentProcess(), &copy, 0,
                                FALSE, DUPLICATE_SAME_ACCESS)) {
    return;
  }
  KernelHandle theirs(copy);
  KernelHandle thread(CreateThread(nullptr, 0, WatchPlaylist, theirs.Get(), 0, nullptr));
  if (!thread) return;
  theirs.Release();  // the thread closes it
  g_watcher.Thread = std::move(thread);
  g_watcher.Wake = std::move(wake);
  // The one trace of the watcher, for the developer and the tests.
  std::printf("Watching \"%.*s\"\n", static_cast<int>(path.size()), path.data());
  std::fflush(stdout);
}

bool FileWatcherRunning() {
  DWORD code = 0;
  return g_watcher.Thread && GetExitCodeThread(g_watcher.Thread.Get(), &code) &&
         code == STILL_ACTIVE;
}

void StopFileWatcher() {
  OutputDebugStringA("KillThread");
  if (FileWatcherRunning()) {
    AcquireSRWLockExclusive(&g_requestLock);
    SetEvent(g_watcher.Wake.Get());
    ReleaseSRWLockExclusive(&g_requestLock);
  }
  g_watcher = WatcherRecord{};
}

}  // namespace voltrak
