#include "tests/e2e/harness.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/file_system.h"
#include "tools/playlist_generator.h"

namespace e2e {
namespace {

const char kRegistryKey[] = "software\\zorv\\Voltrak";

struct FindArgs {
  DWORD Pid;
  std::vector<HWND> Found;
};

std::vector<HWND> TopWindowsOf(DWORD pid) {
  FindArgs args{pid, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* find = reinterpret_cast<FindArgs*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == find->Pid) find->Found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&args));
  return args.Found;
}

// A new environment block: ours, with the shell log of this test.
std::vector<char> EnvironmentFor(const Scratch& scratch) {
  std::vector<std::string> lines;
  char* block = GetEnvironmentStringsA();
  for (const char* at = block; *at; at += std::strlen(at) + 1) {
    std::string line = at;
    std::string name = line.substr(0, line.find('=', 1));
    for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (name != "VOLTRAK_E2E_SHELL_LOG") lines.push_back(line);
  }
  FreeEnvironmentStringsA(block);
  lines.push_back("VOLTRAK_E2E_SHELL_LOG=" + scratch.ShellLog);
  std::sort(lines.begin(), lines.end());
  std::vector<char> result;
  for (const std::string& line : lines) result.insert(result.end(), line.c_str(), line.c_str() + line.size() + 1);
  result.push_back('\0');
  return result;
}

void SetString(HKEY root, const std::string& key, const std::string& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(10);
  }
}

std::string WindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string result = "Z:" + path;
  std::replace(result.begin(), result.end(), '/', '\\');
  return result;
}

std::string VoltrakExe() { return WindowsPath(VOLTRAK_EXE); }
std::string RecorderExe() { return WindowsPath(VOLTRAK_SHELL_RECORDER); }

std::string TextOf(HWND window) {
  char text[4096] = {0};
  // WM_GETTEXT crosses processes; GetWindowText would not read a control's text there.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {0};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string IniValue(const std::string& file, const char* section, const char* key) {
  char value[1024];
  GetPrivateProfileStringA(section, key, "\x01", value, sizeof value, file.c_str());
  return value;
}

long long StoredAlwaysOnTop() {
  DWORD value = 0, size = sizeof value, type = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, kRegistryKey, "AlwaysOnTop", RRF_RT_ANY, &type, &value,
                   &size) != ERROR_SUCCESS) {
    return -1;
  }
  return type == REG_DWORD ? static_cast<long long>(value) : -2;
}

void StoreAlwaysOnTop(long long value) {
  if (value < 0) {
    RegDeleteKeyA(HKEY_CURRENT_USER, kRegistryKey);
    return;
  }
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  DWORD data = static_cast<DWORD>(value);
  RegSetValueExA(key, "AlwaysOnTop", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                 sizeof data);
  RegCloseKey(key);
}

void RegisterShellRecorder() {
  const std::string recorder = "\"" + RecorderExe() + "\" ";
  struct Kind {
    const char* ClassKey;
    const char* Tag;
  };
  for (const Kind& kind : {Kind{"VoltrakE2E.html", "html"}, Kind{"VoltrakE2E.m3u", "m3u"},
                           Kind{"http", "url"}, Kind{"https", "url"}, Kind{"Folder", "folder"},
                           Kind{"Directory", "folder"}}) {
    const std::string shell = std::string(kind.ClassKey) + "\\shell";
    // The folder class is opened by DDE in a fresh prefix; a command alone is simpler to catch.
    RegDeleteTreeA(HKEY_CLASSES_ROOT, (shell + "\\open\\ddeexec").c_str());
    SetString(HKEY_CLASSES_ROOT, shell, "open");
    SetString(HKEY_CLASSES_ROOT, shell + "\\open\\command",
              recorder + kind.Tag + " \"%1\"");
  }
  SetString(HKEY_CLASSES_ROOT, ".html", "VoltrakE2E.html");
  SetString(HKEY_CLASSES_ROOT, ".htm", "VoltrakE2E.html");
  SetString(HKEY_CLASSES_ROOT, ".m3u", "VoltrakE2E.m3u");
}

Scratch::Scratch() {
  static int counter = 0;
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  Root = std::string(temp) + "voltrak-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++counter);
  Work = Root + "\\work";
  // The program asks the shell for the user's application-data folder,
  // which no environment variable moves: each test starts and ends without
  // a settings file there (or a Windows-folder one to carry over).
  char folder[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  AppData = folder;
  SettingsFile = AppData + "\\Voltrak\\Voltrak.INI";
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, sizeof windows);
  LegacySettingsFile = std::string(windows) + "\\Voltrak.INI";
  DeleteFileA(SettingsFile.c_str());
  DeleteFileA(LegacySettingsFile.c_str());
  ShellLog = Root + "\\shell.log";
  Trace = Root + "\\trace.txt";
  std::filesystem::create_directories(Work);
}

Scratch::~Scratch() {
  DeleteFileA(SettingsFile.c_str());
  DeleteFileA(LegacySettingsFile.c_str());
  std::error_code ignored;
  std::filesystem::remove_all(Root, ignored);
}

App::App(const Scratch& scratch, const char* tail) : scratch_(scratch) {
  std::string line = "\"" + VoltrakExe() + "\"";
  if (tail) line += std::string(" ") + tail;
  std::vector<char> environment = EnvironmentFor(scratch);
  // The program's trace lines go to a file the test may read.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE trace = CreateFileA(scratch.Trace.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = trace;
  startup.hStdError = trace;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::vector<char> mutableLine(line.begin(), line.end());
  mutableLine.push_back('\0');
  // Wine now and then refuses a start while the previous case's process is
  // still being taken down (error 1359); a second try a moment later starts.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0,
                       environment.data(), scratch.Work.c_str(), &startup, &process_)) {
      startError_ = 0;
      break;
    }
    startError_ = GetLastError();
    process_ = {};
    Sleep(250);
  }
  CloseHandle(trace);
}

App::~App() {
  if (!process_.hProcess) return;
  // A run that is still up (a failed test, a box nobody answered) ends here,
  // by its own id.
  if (Running()) {
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

bool App::Running() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool App::WaitForExit(DWORD timeoutMs) {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD App::ExitCode() const {
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

std::string App::State() const {
  if (!process_.hProcess) return "could not start, error " + std::to_string(startError_);
  if (!Running()) return "ended with code " + std::to_string(ExitCode());
  return "still running";
}

HWND App::Main() {
  if (main_ && IsWindow(main_)) return main_;
  WaitUntil([&] {
    for (HWND window : TopWindowsOf(Pid())) {
      // The main window is the dialog with the read-outs. It may still be
      // hidden: the dialog manager shows it only once the start-up load has
      // run, and that load may be showing a box.
      // Its first answer to a sent message comes once its initialisation is
      // over and every control exists.
      DWORD_PTR ignored = 0;
      if (ClassOf(window) == "#32770" && GetDlgItem(window, kPlayListTotal) &&
          SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 200, &ignored)) {
        main_ = window;
        return true;
      }
    }
    return !Running();
  });
  return main_;
}

bool App::Has(int id) { return Item(id) != nullptr; }
HWND App::Item(int id) { return GetDlgItem(Main(), id); }
std::string App::Title() { return TextOf(Main()); }
std::string App::Text(int id) {
  HWND item = Item(id);
  return item ? TextOf(item) : std::string();
}

bool App::WaitForTitle(const std::function<bool(const std::string&)>& good, DWORD timeoutMs) {
  return WaitUntil([&] { return good(Title()); }, timeoutMs);
}

void App::Click(int id) { PostMessageA(Item(id), BM_CLICK, 0, 0); }

void App::PostCommand(int id) {
  PostMessageA(Main(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(Item(id)));
}

bool App::Send(UINT message, WPARAM w, LPARAM l, DWORD timeoutMs, LRESULT* result) {
  DWORD_PTR answer = 0;
  bool done = SendMessageTimeoutA(Main(), message, w, l, SMTO_NORMAL, timeoutMs, &answer) != 0;
  if (result) *result = static_cast<LRESULT>(answer);
  return done;
}

bool App::SendCommand(int id, DWORD timeoutMs) {
  return Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)),
              timeoutMs);
}

void App::Select(int id, int row) {
  HWND list = Item(id);
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
  PostMessageA(Main(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

int App::Selection(int id) { return static_cast<int>(SendMessageA(Item(id), CB_GETCURSEL, 0, 0)); }
int App::RowCount(int id) { return static_cast<int>(SendMessageA(Item(id), CB_GETCOUNT, 0, 0)); }

std::string App::RowText(int id, int row) {
  // Wine hands an ANSI caller another process's row in UTF-16: ask for
  // that and convert it here.
  wchar_t wide[512] = {0};
  SendMessageW(Item(id), CB_GETLBTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(wide));
  char text[512] = {0};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

bool App::Checked(int id) { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool App::Focus(int id) {
  HWND target = Item(id);
  const DWORD theirs = GetWindowThreadProcessId(Main(), nullptr);
  const DWORD ours = GetCurrentThreadId();
  // Sharing the program's input queue for a moment lets SetFocus move its
  // focus exactly as a click would, with the kill-focus notices that follow.
  AttachThreadInput(ours, theirs, TRUE);
  SetFocus(target);
  AttachThreadInput(ours, theirs, FALSE);
  return WaitUntil([&] { return Focused() == target; }, 5000);
}

HWND App::Focused() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(Main(), nullptr), &info);
  return info.hwndFocus;
}

bool App::TypeAndLeave(int id, const std::string& text, int next) {
  if (!Focus(id)) return false;
  SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  return Focus(next);
}

void App::Key(UINT virtualKey) {
  HWND target = Focused();
  if (!target) target = Main();
  // Posted, so that the program's message loop and its dialog manager see them.
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  PostMessageA(target, WM_KEYDOWN, virtualKey, scan | 1);
  PostMessageA(target, WM_KEYUP, virtualKey, scan | 1 | (LPARAM{3} << 30));
}

bool App::Topmost() {
  return (GetWindowLongA(Main(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

RECT App::Rect() {
  RECT rect{};
  GetWindowRect(Main(), &rect);
  return rect;
}

POINT App::CentreOf(int id) {
  RECT rect{};
  GetWindowRect(Item(id), &rect);
  POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ScreenToClient(Main(), &centre);
  return centre;
}

namespace {

// Puts a DROPFILES block into the program and hands it over.
bool DropInto(App& app, HANDLE process, const std::vector<std::string>& files, POINT pt,
              BOOL nonClient, DWORD waitMs) {
  // A drop's handle is memory the receiving process reads through
  // GlobalLock: a fixed block, that is its address. We build the DROPFILES
  // block in the program's own address space, so DragQueryFileA,
  // DragQueryPoint and DragFinish work on it there as on a drop from the shell.
  std::string block(sizeof(DROPFILES), '\0');
  DROPFILES header{};
  header.pFiles = sizeof(DROPFILES);
  header.pt = pt;
  header.fNC = nonClient;
  header.fWide = FALSE;
  std::memcpy(&block[0], &header, sizeof header);
  for (const std::string& file : files) block += file + '\0';
  block += '\0';
  void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
  if (!remote) return false;
  SIZE_T written = 0;
  if (!WriteProcessMemory(process, remote, block.data(), block.size(), &written)) {
    return false;
  }
  // Left in place: the program frees it with DragFinish, or it goes with the process.
  if (waitMs) return app.Send(WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0, waitMs);
  return PostMessageA(app.Main(), WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0) != 0;
}

}  // namespace

bool App::Drop(const std::vector<std::string>& files, POINT client, DWORD waitMs) {
  return DropInto(*this, process_.hProcess, files, client, FALSE, waitMs);
}

bool App::DropOnFrame(const std::vector<std::string>& files) {
  RECT frame = Rect();
  // The middle of the caption bar, in screen coordinates as the shell gives them.
  POINT caption = {(frame.left + frame.right) / 2, frame.top + 4};
  return DropInto(*this, process_.hProcess, files, caption, TRUE, 0);
}

// Sent, not posted: a message that carries a pointer cannot be posted to
// another process, and Wine copies the request over for a sent one. A
// request that shows a box keeps the window busy; the wait for it is short.
bool App::Help(int contextType, int id) {
  HELPINFO request{};
  request.cbSize = sizeof request;
  request.iContextType = contextType;
  request.iCtrlId = id;
  request.hItemHandle = contextType == HELPINFO_WINDOW ? Item(id) : nullptr;
  DWORD_PTR ignored = 0;
  if (SendMessageTimeoutA(Main(), WM_HELP, 0, reinterpret_cast<LPARAM>(&request), SMTO_NORMAL,
                          500, &ignored)) {
    return true;
  }
  return GetLastError() == ERROR_TIMEOUT || GetLastError() == 0;
}

namespace {

// The first visible dialog of the process but its main window that `good`
// accepts by caption.
Box FindBoxOf(DWORD pid, HWND main, const std::function<bool(const std::string&)>& good) {
  Box box;
  for (HWND window : TopWindowsOf(pid)) {
    if (window == main || !IsWindowVisible(window) || ClassOf(window) != "#32770") continue;
    std::string caption = TextOf(window);
    if (!good(caption)) continue;
    box.Window = window;
    box.Caption = caption;
    // The message is the longest static text (the icon is a static without text).
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (_stricmp(ClassOf(child).c_str(), "Static") != 0) continue;
      std::string text = TextOf(child);
      if (text.size() > box.Text.size()) box.Text = text;
    }
    break;
  }
  return box;
}

}  // namespace

Box App::FindBox() {
  return FindBoxOf(Pid(), main_, [](const std::string&) { return true; });
}

Box App::WaitForBox(const std::string& caption, DWORD timeoutMs) {
  HWND main = Main();
  Box box;
  WaitUntil([&] {
    box = FindBoxOf(Pid(), main, [&](const std::string& c) { return c == caption; });
    return box.Window != nullptr || !Running();
  }, timeoutMs);
  return box;
}

Box App::WaitForBox(DWORD timeoutMs) {
  Main();
  Box box;
  WaitUntil([&] { return (box = FindBox()).Window != nullptr || !Running(); }, timeoutMs);
  return box;
}

void App::Press(const Box& box, int buttonId) {
  PostMessageA(box.Window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.Window, buttonId)));
  WaitUntil([&] { return !IsWindow(box.Window) || !IsWindowVisible(box.Window); }, 5000);
}

std::vector<Box> App::Run(int id, const std::function<void(const Box&)>& answer, bool* finished) {
  std::vector<Box> seen;
  HWND window = Main();
  HWND control = Item(id);
  std::atomic<bool> done{false};
  std::thread sender([&] {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(control), SMTO_NORMAL, kPatienceMs, &ignored);
    done = true;
  });
  HWND last = nullptr;
  WaitUntil([&] {
    if (done) return true;
    Box box = FindBox();
    if (box && box.Window != last) {
      last = box.Window;
      seen.push_back(box);
      if (answer) {
        answer(box);
      } else {
        Press(box, IDCANCEL);
      }
    }
    return false;
  });
  sender.join();
  if (finished) *finished = done;
  return seen;
}

bool App::Close() {
  PostMessageA(Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
  return WaitForExit();
}

std::vector<std::string> App::ShellLog() {
  std::vector<std::string> lines;
  std::istringstream in(ReadText(scratch_.ShellLog));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

bool App::WaitForShellLog(size_t lines, DWORD timeoutMs) {
  return WaitUntil([&] { return ShellLog().size() >= lines; }, timeoutMs);
}

std::string WritePlaylist(const std::string& folder, const std::string& name,
                          const std::vector<uint32_t>& seconds,
                          const std::vector<uint32_t>& kilobytes) {
  voltrak::FileSystem& files = voltrak::SystemFileSystem();
  std::string list = "#EXTM3U\r\n";
  for (size_t i = 0; i < seconds.size(); ++i) {
    const std::string track = "Track " + std::to_string(i + 1);
    const std::string file = "track" + std::to_string(i + 1) + ".mp3";
    voltrak::WriteTrackFile(files, folder + "\\" + file, kilobytes[i] * 1024, true, track,
                            "Harness", "Known Numbers");
    list += "#EXTINF:" + std::to_string(seconds[i]) + ",Harness - " + track + "\r\n" + file + "\r\n";
  }
  const std::string path = folder + "\\" + name;
  WriteText(path, list);
  return path;
}

voltrak::GeneratedPlaylist BenchPlaylist(int argc, char** argv, const Scratch& scratch) {
  voltrak::GeneratorOptions options;
  options.Count = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 10000;
  voltrak::GeneratedPlaylist made =
      voltrak::GeneratePlaylist(voltrak::SystemFileSystem(), scratch.Work, options);
  if (made.Error) std::fprintf(stderr, "could not write the playlist: error %u\n", made.Error);
  return made;
}

}  // namespace e2e
