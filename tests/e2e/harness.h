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

namespace e2e {

// Control and command ids of the main window, as its users meet them.
enum Control : int {
  kOpen = 40001, kReopen = 40003, kWinAmp = 1062, kExploreFolder = 1066, kCreateHtml = 1034,
  kSplitLists = 40002, kCreateLbl = 1064, kCopyTracks = 40006, kPrint = 1033, kEdit = 1036,
  kCreateCue = 1037, kLaunch = 1063, kExit = 1004, kReset = 1032, kCopyClipboard = 1031,
  kOptions = 1065, kAlwaysOnTop = 1011, kWarnLoadErrors = 1015, kReservedSplit = 1035,
  kMarquee = 1020, kPlugin = 1095, kPlayListTotal = 1005, kMedium = 1007, kReserve = 1008,
  kTotalKB = 1013, kMediumList = 1046, kDuplicateMode = 1055, kPathMode = 1056,
  kFillMode = 1057, kMaximumVolumes = 1060, kMaximumVolumesSpin = 1061, kLoadProgress = 1012,
  kDropProgress = 1014, kBuildDate = 1006, kBuildTime = 1009,
};

constexpr UINT kMsgLoadPlaylist = WM_APP + 1;
constexpr UINT kMsgPlanVolumes = WM_APP + 2;

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
  POINT CentreOf(int id);  // client coordinates of a control's centre
  // A help request (WM_HELP) of the given kind for a control, posted.
  bool Help(int contextType, int id);

  // A visible dialog of the process other than the main window.
  Box WaitForBox(DWORD timeoutMs = kPatienceMs);
  Box FindBox();
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

}  // namespace e2e
