// Drives the real voltrak.exe from another process: starts it with a command
// line and a scratch environment, finds its windows by process id, sends the
// messages a user's clicks, choices, typing and drops would send, and reads
// back what the program shows and stores.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "resources/private_messages.h"
#include "resources/resource.h"
#include "tools/playlist_generator.h"

namespace e2e {

// Control and command ids of the main window, as its users meet them: the
// program's own numbers, never typed again here.
enum Control : int {
  kOpen = IDC_OPEN, kReopen = IDC_REOPEN, kWinAmp = IDC_WINAMP,
  kExploreFolder = IDC_EXPLORE_FOLDER, kCreateHtml = IDC_CREATE_HTML,
  kSplitLists = IDC_SPLIT_LISTS, kCreateLbl = IDC_CREATE_LBL, kCopyTracks = IDC_COPY_TRACKS,
  kPrint = IDC_PRINT, kEdit = IDC_EDIT, kCreateCue = IDC_CREATE_CUE, kLaunch = IDC_LAUNCH,
  kExit = IDC_EXIT, kReset = IDC_RESET, kCopyClipboard = IDC_COPY_CLIPBOARD,
  kOptions = IDC_OPTIONS, kAlwaysOnTop = IDC_ALWAYS_ON_TOP,
  kWarnLoadErrors = IDC_WARN_LOAD_ERRORS, kReservedSplit = IDC_RESERVED_SPLIT,
  kMarquee = IDC_MARQUEE, kPlugin = IDC_PLUGIN, kPlayListTotal = IDC_PLAYLIST_TOTAL,
  kMedium = IDC_MEDIUM, kReserve = IDC_RESERVE, kTotalKB = IDC_TOTAL_KB,
  kMediumList = IDC_MEDIUM_LIST, kDuplicateMode = IDC_DUPLICATE_MODE, kPathMode = IDC_PATH_MODE,
  kFillMode = IDC_FILL_MODE, kMaximumVolumes = IDC_MAXIMUM_VOLUMES,
  kMaximumVolumesSpin = IDC_MAXIMUM_VOLUMES_SPIN, kLoadProgress = IDC_PROGRESS,
  kDropProgress = IDC_DROP_PROGRESS, kBuildDate = IDC_BUILD_DATE, kBuildTime = IDC_BUILD_TIME,
};

constexpr UINT kMsgLoadPlaylist = MSG_LOAD_PLAYLIST;
constexpr UINT kMsgPlanVolumes = MSG_PLAN_VOLUMES;

// Long enough for a cold Wine start on a busy machine; a test that waits
// this long has failed.
constexpr DWORD kPatienceMs = 20000;

// Polls `done` every few milliseconds until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = kPatienceMs);

// "/tmp/x" as Wine's drive Z: sees it; Windows paths pass unchanged.
std::string WindowsPath(const std::string& path);
std::string VoltrakExe();
std::string RecorderExe();

std::string TextOf(HWND window);
std::string ClassOf(HWND window);
std::string ReadText(const std::string& path);  // empty when the file is missing
void WriteText(const std::string& path, const std::string& text);

// The private-profile value as the program would read it; nullopt-like "\x01" when missing.
std::string IniValue(const std::string& file, const char* section, const char* key);
// HKCU\software\zorv\Voltrak "AlwaysOnTop": -1 when missing.
long long StoredAlwaysOnTop();
void StoreAlwaysOnTop(long long value);  // -1 deletes the key

// Makes the recorder the desktop's handler of web pages, playlists, folders
// and web addresses in this prefix.
void RegisterShellRecorder();

// One test's own folders and files: Work for playlists and tracks, the shell
// log and the trace, removed at the end; and the program's settings file,
// which is per user, removed at the start and at the end (cases run one at
// a time).
struct Scratch {
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  std::string Root, Work, AppData, SettingsFile, LegacySettingsFile, ShellLog, Trace;
};

// A message box or dialog of the program.
struct Box {
  HWND Window = nullptr;
  std::string Caption;
  std::string Text;  // the longest static text: a message box's message
  explicit operator bool() const { return Window != nullptr; }
};

class App {
 public:
  // Starts voltrak.exe; `tail` follows the program name on its command line
  // (nullptr: the program name alone).
  App(const Scratch& scratch, const char* tail);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  DWORD Pid() const { return process_.dwProcessId; }
  bool Running() const;
  bool WaitForExit(DWORD timeoutMs = kPatienceMs);
  DWORD ExitCode() const;
  // Why there is no window: not started, ended, or still starting.
  std::string State() const;

  // The main window; waits for it and ends the test when it never comes.
  HWND Main();
  bool Has(int id);
  HWND Item(int id);
  std::string Title();
  std::string Text(int id);
  bool WaitForTitle(const std::function<bool(const std::string&)>& good,
                    DWORD timeoutMs = kPatienceMs);

  void Click(int id);                  // BM_CLICK, posted: the button's own click
  void PostCommand(int id);            // WM_COMMAND as the control would send it
  // WM_COMMAND sent and waited for: false when the handler did not return in
  // time (it is showing a modal box).
  bool SendCommand(int id, DWORD timeoutMs = 5000);
  // Sends a message and waits for the answer; false on timeout.
  bool Send(UINT message, WPARAM w, LPARAM l, DWORD timeoutMs = 5000, LRESULT* result = nullptr);
  void Select(int id, int row);        // CB_SETCURSEL, then CBN_SELCHANGE to the window
  int Selection(int id);
  int RowCount(int id);
  std::string RowText(int id, int row);
  bool Checked(int id);
  // Gives the control the keyboard focus as the user would, through the
  // window's own input queue.
  bool Focus(int id);
  HWND Focused();
  // Puts the text in the edit, gives it the focus, then moves the focus on.
  bool TypeAndLeave(int id, const std::string& text, int next);
  void Key(UINT virtualKey);  // key down and up at the focused control
  bool Topmost();
  RECT Rect();

  // Files dropped at a point of the main window's client area. With a
  // timeout the drop is sent, and returns once every dropped file is loaded.
  bool Drop(const std::vector<std::string>& files, POINT client, DWORD waitMs = 0);
  // Files dropped on the window's frame: outside the client area.
  bool DropOnFrame(const std::vector<std::string>& files);
  POINT CentreOf(int id);  // client coordinates of a control's centre
  // A help request (WM_HELP) of the given kind for a control, posted.
  bool Help(int contextType, int id);

  // A visible dialog of the process other than the main window.
  Box WaitForBox(DWORD timeoutMs = kPatienceMs);
  Box FindBox();
  // The visible dialog of the process with exactly this caption, once it
  // is there: for a dialog open over another of the program's own.
  Box WaitForBox(const std::string& caption, DWORD timeoutMs = kPatienceMs);
  void Press(const Box& box, int buttonId);

  // Sends the command and, until its handler returns, hands every box it
  // shows to `answer` (by default each is cancelled). Returns the boxes seen;
  // *finished says whether the handler returned in time.
  std::vector<Box> Run(int id, const std::function<void(const Box&)>& answer = {},
                       bool* finished = nullptr);

  // Asks the window to close as the title-bar button would, then waits.
  bool Close();
  std::vector<std::string> ShellLog();
  bool WaitForShellLog(size_t lines, DWORD timeoutMs = kPatienceMs);

 private:
  const Scratch& scratch_;
  PROCESS_INFORMATION process_{};
  DWORD startError_ = 0;
  HWND main_ = nullptr;
};

// A playlist of our own with known numbers: tracks of `kilobytes[i]` KB and
// `seconds[i]` s, written under `folder` as `name`. Returns its path.
std::string WritePlaylist(const std::string& folder, const std::string& name,
                          const std::vector<uint32_t>& seconds,
                          const std::vector<uint32_t>& kilobytes);

// For the benchmarks: a generated playlist in the scratch folder of as many
// entries as the command line's first argument says (10,000 without one).
// One that could not be written says why on stderr and has its Error set.
voltrak::GeneratedPlaylist BenchPlaylist(int argc, char** argv, const Scratch& scratch);

}  // namespace e2e
