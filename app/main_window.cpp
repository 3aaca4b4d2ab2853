// The main window: start-up and shut-down order, the command table, the
// private messages, drops, the marquee and help. The procedure dispatches,
// the handlers below work, and the core and the shell rules decide.
//
// Re-entry. Long work hands the window's pending messages out so that it
// stays responsive: a load between entries, the track copy between tracks
// and inside large files, printing between pages, and the boxes of the
// rewrite and of the player's question. The window procedure therefore runs
// inside that work, and these rules keep the list whole:
// - Such work runs between Gate.BeginWork and Gate.EndWork. Meanwhile every
//   request that changes or reads the list (the commands the table marks,
//   loads, drops, closing, plans, rewrites) is queued in the gate, and
//   RunHeldRequests runs the queue in order once the outermost work ends.
// - Work nests in one place: a Yes to the load's rewrite question rewrites
//   the file and loads it again inside the load (LoadsRunning counts the
//   loads; open dialogs hear when the first begins and the last has ended).
// - Some steps run at once, past the gate, as parts of the work itself: the
//   plans a load shows, the rewrite's reload, and the output a load repeats
//   (let through by Gate.PassOnce).
// - A drop loads its files one after another: what was held runs after the
//   last one (DropRunning), never between two.
// - A plan started by leaving a capacity field does not start another
//   (CapacityPlanRunning); after closing nothing held runs (Closing).
#include "app/main_window.h"

#include <commctrl.h>
#include <cderr.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/clipboard_print.h"
#include "app/help.h"
#include "resources/private_messages.h"
#include "app/request_gate.h"
#include "app/settings.h"
#include "app/shell_rules.h"
#include "app/splash.h"
#include "dialogs/duplicate_dialog.h"
#include "dialogs/edit_dialog.h"
#include "dialogs/options_dialog.h"
#include "outputs/cue_label.h"
#include "outputs/html_report.h"
#include "outputs/split_lists.h"
#include "outputs/track_copy.h"
#include "planning/capacity_expression.h"
#include "planning/media_table.h"
#include "planning/volume_planner.h"
#include "playlist/option_flags.h"
#include "playlist/playlist_loader.h"
#include "playlist/playlist_rewrite.h"
#include "player/file_watcher.h"
#include "player/player_link.h"
#include "player/player_rules.h"
#include "resources/resource.h"
#include "support/clock.h"
#include "support/file_system.h"
#include "support/support_routines.h"
#include "support/unique_handle.h"
#include "support/whole_path.h"

namespace voltrak {
namespace {

constexpr UINT_PTR kMarqueeTimer = 0;
constexpr UINT kMarqueePeriod = 10000;
// Redraws during a load are coalesced to about 30 a second; the progress
// bar's position still advances per entry.
constexpr DWORD kRepaintInterval = 33;

constexpr const char* kBuildDate = __DATE__;
constexpr const char* kBuildTime = __TIME__;

constexpr const char* kDuplicateModeNames[] = {"Keep All Duplicates", "Query",
                                               "Keep First Duplicates", "Keep Last Duplicates"};
constexpr const char* kPathModeNames[] = {"Ignore Paths", "Relative Paths", "Absolute Paths"};

// Program-wide state, owned by the main thread from start-up to exit.
struct MainWindowState {
  HWND Window = nullptr;
  // CurrentPlaylistPath, PathMode, DuplicateMode, WarnLoadErrors and what
  // is read of the track files
  LoadSettings Load;
  bool ListFromPlayer = false;  // the list is the player's: no file commands
  uint32_t LastCommand = 0;     // the output a load runs again, or 0
  PlanningSettings Planning;  // FillMode lives here
  Playlist List;
  std::string PlayerDirectory;
  OptionFlags Options;
  int32_t AlwaysOnTop = 0;
  HWND PlayerWindow = nullptr;
  uint32_t PlayerListPosition = 0;
  uint32_t MarqueeIndex = 0;
  GdiObject PluginBitmap;  // shown by button 1095 for the window's life
  bool CapacityPlanRunning = false;
  bool DropRunning = false;
  bool Closing = false;
  uint32_t LoadsRunning = 0;  // loads in progress, nested in the rewrite's reload
  RequestGate Gate;
};
MainWindowState g_state;

void OnPlanVolumes(HWND window);
bool RewriteNow(HWND window);

// A plan asked for by a control, a command or another program: it reads
// the whole list, so during long work it waits until that has ended. The
// load's own plans run at once.
void Plan() {
  if (g_state.Gate.HoldPlan()) return;
  OnPlanVolumes(g_state.Window);
}

// Every change of the current path goes through here: the watcher reads a
// copy of its own, from its own thread.
void SetPlaylistPath(std::string path) {
  g_state.Load.CurrentPlaylistPath = std::move(path);
  ShareWatchedPath(g_state.Load.CurrentPlaylistPath);
}

// The output to run again after a load; traced, since nothing on screen
// shows it.
void SetLastCommand(uint32_t command) {
  g_state.LastCommand = command;
  TraceLine("LastCommand %u\n", command);
  std::fflush(stdout);
}

// The load as the window shows it.
class WindowLoadHost : public LoadHost {
 public:
  explicit WindowLoadHost(HWND window)
      : window_(window), progress_(GetDlgItem(window, IDC_PROGRESS)) {}

  // The watcher follows the new file from now on, and the read-outs show
  // the list as empty while it is read.
  void ListReplaced() override {
    SendMessageA(window_, MSG_STOP_WATCHER, 0, 0);
    SendMessageA(window_, MSG_START_WATCHER, 0, 0);
    OnPlanVolumes(window_);
  }
  void SetTitle(std::string_view title) override {
    SetWindowTextA(window_, std::string(title).c_str());
  }
  void ProgressStart(uint32_t count) override {
    SendMessageA(progress_, PBM_SETRANGE32, 0, static_cast<LPARAM>(count));
    SendMessageA(progress_, PBM_SETSTEP, 1, 0);
    SendMessageA(progress_, PBM_SETPOS, 0, 0);
    count_ = count;
    position_ = 0;
    lastRepaint_ = GetTickCount();
  }
  // Sets the bar and paints whatever of the window waits to be painted.
  void ShowProgress() {
    SendMessageA(progress_, PBM_SETPOS, position_, 0);
    RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  void ProgressStep() override {
    ++position_;
    DWORD now = GetTickCount();
    if (now - lastRepaint_ >= kRepaintInterval || position_ == count_) {
      lastRepaint_ = now;
      ShowProgress();
    }
  }
  // A load stopped early shows where it stopped.
  ~WindowLoadHost() override {
    if (position_ != 0 && position_ != count_) ShowProgress();
  }
  // Every pending message of the thread, so that clicks reach the child
  // controls; what they ask for is held back by the gate. Looking costs a
  // round trip to the server under Wine, a third of a file's cost, so the
  // queue is emptied once a millisecond: no one can tell the difference.
  // Paint messages wait for the next drawing of the progress bar.
  void HandlePendingEvents() override {
    DWORD now = GetTickCount();
    if (now == lastLook_) return;
    lastLook_ = now;
    DispatchPendingMessages(window_);
  }
  int ShowMessage(std::string_view text, std::string_view caption, uint32_t style,
                  bool owned) override {
    return MessageBoxA(owned ? window_ : nullptr, std::string(text).c_str(),
                       std::string(caption).c_str(), style);
  }
  void ReportSystemError(uint32_t code, unsigned line, const char* file) override {
    voltrak::ReportSystemError(window_, code, file, line);
  }
  // The load's own question: its rewrite runs at once, inside the load,
  // and says whether it took the load over.
  bool OfferRewrite(std::string_view caption) override {
    return MessageBoxOnTop(window_, "Should I rewrite this file?", std::string(caption).c_str(),
                           MB_YESNO | MB_ICONQUESTION) == IDYES &&
           RewriteNow(window_);
  }
  void Trace(std::string_view line) override { DebugText(std::string(line).c_str()); }
  DuplicateAnswer AskAboutDuplicate(const EntryRef& first, const EntryRef& second) override {
    BringWindowToFront(window_);
    return voltrak::AskAboutDuplicate(window_, first, second);
  }

 private:
  HWND window_;
  HWND progress_;
  DWORD lastRepaint_ = 0;
  uint32_t count_ = 0;
  uint32_t position_ = 0;
  DWORD lastLook_ = 0;
};

void FillList(HWND window, int id, const char* const* rows, size_t count, uint32_t selected) {
  HWND list = GetDlgItem(window, id);
  for (size_t row = 0; row < count; ++row) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rows[row]));
  }
  SendMessageA(list, CB_SETCURSEL, selected, 0);
}

// The selected row of a drop-down list, or -1.
LRESULT SelectedRow(HWND window, int id) {
  return SendDlgItemMessageA(window, id, CB_GETCURSEL, 0, 0);
}

StoredModes CurrentModes() {
  StoredModes modes;
  modes.FillMode = g_state.Planning.FillMode;
  modes.PathMode = g_state.Load.PathMode;
  modes.DuplicateMode = g_state.Load.DuplicateMode;
  modes.MeasureUntimed = g_state.Load.MeasureUntimed;
  modes.ReadId3v2 = g_state.Load.ReadId3v2;
  return modes;
}

void ToggleAlwaysOnTop(HWND window) {
  g_state.AlwaysOnTop = g_state.AlwaysOnTop ? 0 : 1;
  CheckDlgButton(window, IDC_ALWAYS_ON_TOP, g_state.AlwaysOnTop ? BST_CHECKED : BST_UNCHECKED);
  SetWindowPos(window, g_state.AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
}

void ToggleWarnLoadErrors(HWND window) {
  g_state.Load.WarnLoadErrors = !g_state.Load.WarnLoadErrors;
  CheckDlgButton(window, IDC_WARN_LOAD_ERRORS,
                 g_state.Load.WarnLoadErrors ? BST_CHECKED : BST_UNCHECKED);
}

BOOL OnInitDialog(HWND window) {
  MainWindowState& s = g_state;
  s.Window = window;
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VOLTRAK));
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

  SetDlgItemTextA(window, IDC_BUILD_DATE, kBuildDate);
  SetDlgItemTextA(window, IDC_BUILD_TIME, kBuildTime);
  StartSplash(window);
  s.PlayerDirectory = LoadPlayerDirectory();

  HWND media = GetDlgItem(window, IDC_MEDIUM_LIST);
  for (const std::string& text : MediumListTexts()) {
    SendMessageA(media, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendMessageA(media, CB_SETCURSEL, 0, 0);
  ChooseMedium(s.Planning, 0);

  StoredModes modes = CurrentModes();
  LoadModes(modes);
  s.Load.DuplicateMode = modes.DuplicateMode;
  s.Load.PathMode = modes.PathMode;
  s.Planning.FillMode = modes.FillMode;
  s.Load.MeasureUntimed = modes.MeasureUntimed;
  s.Load.ReadId3v2 = modes.ReadId3v2;
  FillList(window, IDC_DUPLICATE_MODE, kDuplicateModeNames, 4, s.Load.DuplicateMode);
  FillList(window, IDC_PATH_MODE, kPathModeNames, 3, s.Load.PathMode);
  FillList(window, IDC_FILL_MODE, kFillModeNames.data(), kFillModeNames.size(),
           s.Planning.FillMode);

  // Its change notification plans: the read-outs show the stored fill mode
  // and the first medium from the start.
  SetDlgItemInt(window, IDC_MAXIMUM_VOLUMES, 0, FALSE);
  SendDlgItemMessageA(window, IDC_MAXIMUM_VOLUMES_SPIN, UDM_SETRANGE, 0, MAKELPARAM(32767, 0));
  s.Options = OptionFlags{};
  s.List.Reset();
  LoadAlwaysOnTop(window, s.AlwaysOnTop);
  SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
  RestoreWindowPosition(window);

  s.PluginBitmap.Reset(LoadImageA(instance, MAKEINTRESOURCEA(IDB_PLUGIN), IMAGE_BITMAP, 0, 0,
                                  LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS));
  SendDlgItemMessageA(window, IDC_PLUGIN, BM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(s.PluginBitmap.Get()));

  if (s.AlwaysOnTop) {
    // The command sets it again, checks the button and raises the window.
    s.AlwaysOnTop = 0;
    ToggleAlwaysOnTop(window);
  }
  SetTimer(window, kMarqueeTimer, kMarqueePeriod, nullptr);
  // No watcher runs until the first load starts one.
  if (s.Load.CurrentPlaylistPath.empty()) SetPlaylistPath(WholePath(LoadLastFile()));
  if (!s.Load.CurrentPlaylistPath.empty()) {
    // Both run after the window has appeared; the load plans on its own too.
    PostMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
    PostMessageA(window, MSG_PLAN_VOLUMES, 0, 0);
  }
  return TRUE;
}

void OnOpen(HWND window) {
  MainWindowState& s = g_state;
  SetLastCommand(0);
  s.PlayerWindow = nullptr;
  char file[kMaxPathLength + 1] = "";
  s.Load.CurrentPlaylistPath.copy(file, kMaxPathLength);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.lpstrFilter = "M3U Playlist files {*.m3u}\0*.m3u\0All Files{*.*}\0*.*\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file;
  dialog.Flags = OFN_FILEMUSTEXIST;
  dialog.lpstrDefExt = "txt";
  BOOL chosen = GetOpenFileNameA(&dialog);
  if (!chosen && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
    // A current path the dialog cannot start from (a folder gone, a name
    // too odd) must not keep the user from choosing another file.
    file[0] = '\0';
    chosen = GetOpenFileNameA(&dialog);
  }
  if (!chosen) return;
  SetPlaylistPath(WholePath(file));
  s.ListFromPlayer = false;
  SendMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
}

void OnReopen(HWND window) {
  if (!g_state.Load.CurrentPlaylistPath.empty()) SendMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
}

void OnReset() {
  MainWindowState& s = g_state;
  SetLastCommand(0);
  s.List.Reset();
  s.ListFromPlayer = false;
  SetPlaylistPath({});
  Plan();
}

void OnExploreFolder(HWND window) {
  std::string folder = ExploreFolderOf(g_state.Load.CurrentPlaylistPath);
  if (folder.empty()) return;  // nothing loaded: no folder to show
  ShellExecuteA(window, nullptr, folder.c_str(), nullptr, "", SW_SHOWNA);
}

void OnLaunch(HWND window) {
  // An empty path would hand the shell nothing to open but the current folder.
  if (g_state.Load.CurrentPlaylistPath.empty()) return;
  ShellExecuteA(window, "open", g_state.Load.CurrentPlaylistPath.c_str(), nullptr, "",
                SW_SHOWNORMAL);
}

void OnWebLink(HWND window) {
  ShellExecuteA(window, "open", kMakerWebAddress, nullptr, "", SW_SHOWNORMAL);
}

void OnClose(HWND window) {
  g_state.Closing = true;
  SaveOnClose(CurrentModes(), g_state.PlayerDirectory, g_state.Load.CurrentPlaylistPath);
  DestroyWindow(window);
}

void OnExit(HWND window) {
  KillTimer(window, kMarqueeTimer);
  OnClose(window);
}

void OnMediumChosen(HWND window) {
  LRESULT row = SelectedRow(window, IDC_MEDIUM_LIST);
  if (row < 0 || !ChooseMedium(g_state.Planning, static_cast<size_t>(row))) return;
  Plan();
  char trace[32];
  std::snprintf(trace, sizeof trace, "Split Mode: %u", static_cast<unsigned>(row));
  DebugText(trace);
}

template <typename Mode>
void OnModeChosen(HWND window, int id, Mode& mode, uint32_t rows) {
  LRESULT row = SelectedRow(window, id);
  if (row >= 0 && static_cast<uint32_t>(row) < rows) mode = static_cast<Mode>(row);
}

void OnFillModeNotice(HWND window, UINT code) {
  if (code == CBN_SELCHANGE) {
    LRESULT row = SelectedRow(window, IDC_FILL_MODE);
    if (row >= 0) ChooseFillMode(g_state.Planning, static_cast<uint32_t>(row));
  }
  Plan();
}

void OnCapacityLeft(HWND window, int id) {
  char text[kMaxCapacityTextLength + 1] = "";
  GetDlgItemTextA(window, id, text, sizeof text);
  EnterCapacity(g_state.Planning, id == IDC_MEDIUM ? CapacityField::kMedium : CapacityField::kReserve,
                text);
  if (g_state.CapacityPlanRunning) return;
  g_state.CapacityPlanRunning = true;
  Plan();
  g_state.CapacityPlanRunning = false;
}

// The written outputs' boxes: a file that fails raises the window first.
class WindowOutputHost : public OutputHost {
 public:
  explicit WindowOutputHost(HWND window) : window_(window) {}
  void CannotWrite(std::string_view path, uint32_t) override {
    MessageBoxOnTop(window_, std::string(path).c_str(), kCannotOpenCaption, MB_ICONWARNING);
  }
  void NoTrackName() override {
    MessageBoxA(nullptr, kNoTrackNameText, kNoTrackNameCaption,
                MB_ICONINFORMATION | MB_TOPMOST | MB_SETFOREGROUND);
  }
  void WouldReplacePlaylist(std::string_view path) override {
    const std::string text = "\"" + std::string(path) + kIsThePlaylistText;
    MessageBoxOnTop(window_, text.c_str(), "Error", MB_ICONERROR);
  }
  // Beside the current playlist, through the real file system.
  OutputTarget Target() { return {g_state.Load.CurrentPlaylistPath, SystemFileSystem(), *this}; }

 private:
  HWND window_;
};

void OnSplitLists(HWND window) {
  WindowOutputHost host(window);
  WriteSplitLists(g_state.List, host.Target());
}

void OnCreateHtml(HWND window) {
  WindowOutputHost host(window);
  ReportSettings settings{g_state.Planning, g_state.Options, kMakerWebAddress};
  OutputResult result = WriteHtmlReport(g_state.List, settings, SystemClock(), host.Target());
  // Only a page written whole goes to the viewer.
  for (const std::string& page : result.Written) {
    ShellExecuteA(window, nullptr, page.c_str(), nullptr, nullptr, SW_SHOWNA);
  }
}

void OnCreateCue(HWND window) {
  WindowOutputHost host(window);
  WriteCueSheet(g_state.List, host.Target());
}

void OnCreateLbl(HWND window) {
  WindowOutputHost host(window);
  WriteLabelFile(g_state.List, host.Target());
}

// The player's current list. A player that is missing or silent leaves the
// list it wrote last, and a note in its folder.
void OnWinAmp(HWND window) {
  MainWindowState& s = g_state;
  // The player may take seconds to answer, and the warning box hands out
  // messages: what comes in meanwhile waits.
  s.Gate.BeginWork();
  PlayerContact player = AskPlayer(window);
  s.Gate.EndWork();
  s.PlayerWindow = player.Window;
  if (player.Answered) {
    s.PlayerListPosition = player.ListPosition;
    s.ListFromPlayer = true;
  }
  SetPlaylistPath(WholePath(InPlayerFolder(s.PlayerDirectory, kPlayerListName)));
  SendMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
  if (!player.Answered) WritePlayerSignature(window, s.PlayerDirectory);
}

// The plug-in's master playlist; the player's own list stays marked as such.
void OnPlugin(HWND window) {
  SetPlaylistPath(WholePath(PluginPlaylist(g_state.PlayerDirectory)));
  if (g_state.Load.CurrentPlaylistPath.empty()) {
    ExplainPluginSetup(window);
    return;
  }
  SendMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
}

void RunHeldRequests(HWND window);

// The player's current track when the list is the player's, asked for anew;
// else the whole list.
void OnCopyClipboard(HWND window) {
  MainWindowState& s = g_state;
  if (s.ListFromPlayer && s.Options.CopySingleTrackInfo && s.PlayerWindow) {
    SetLastCommand(0);  // the player's reload must not repeat this command
    // A repeat at the end of a load of the player's list has its position
    // already, and no load can start inside that one.
    if (!s.Gate.Busy()) SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_WINAMP, BN_CLICKED), 0);
    std::optional<std::string> text =
        SingleTrackText(s.List, s.PlayerListPosition, s.Options.CopyNameByInfo != 0);
    if (text) CopyText(window, *text);
    return;
  }
  CopyListText(window,
               s.Options.ClipboardPalmReady ? ListTextShape::kGroupedByFolder
                                            : ListTextShape::kNumbered,
               s.List, s.Load.CurrentPlaylistPath);
}

// Pages go out with the window answering between them: what would change
// the list waits until the last one has.
void OnPrint(HWND window) {
  MainWindowState& s = g_state;
  s.Gate.BeginWork();
  PrintPlaylist(window, s.List, s.Load.CurrentPlaylistPath.c_str(),
                [window] { DispatchPendingMessages(window); });
  s.Gate.EndWork();
  if (!s.DropRunning) RunHeldRequests(window);
}

// The copy's progress and boxes. The window answers between tracks and,
// about 30 times a second, inside a large file.
class WindowCopyHost : public CopyHost {
 public:
  explicit WindowCopyHost(HWND window)
      : window_(window), progress_(GetDlgItem(window, IDC_PROGRESS)), lastPending_(GetTickCount()) {}
  void NextTrack(uint32_t) override {
    DispatchPendingMessages(window_);
    SendMessageA(progress_, PBM_STEPIT, 0, 0);
    UpdateWindow(progress_);
    lastPending_ = GetTickCount();
  }
  void Pending() override {
    if (GetTickCount() - lastPending_ < kRepaintInterval) return;
    DispatchPendingMessages(window_);
    lastPending_ = GetTickCount();
  }
  void Failed(CopyFailure what, std::string_view path, uint32_t) override {
    const char* caption = what == CopyFailure::kNoBuffer ? kNoBufferCaption
                          : what == CopyFailure::kOpenSource || what == CopyFailure::kRead
                              ? kCannotReadCaption
                              : kCannotCreateCaption;
    MessageBoxA(window_, std::string(path).c_str(), caption, MB_ICONERROR);
  }

 private:
  HWND window_;
  HWND progress_;
  DWORD lastPending_;
};

// The picker starts on the playlist; a cancelled choice is no choice.
std::optional<std::string> PickCopyFolder(HWND window) {
  std::string folder = g_state.Load.CurrentPlaylistPath;
  if (!BrowseForFolder(window, kCopyPickerTitle, folder)) return std::nullopt;
  return folder;
}

void CopyListedTracks(HWND window) {
  MainWindowState& s = g_state;
  const uint32_t count = s.List.TrackCount();
  if (count == 0) return;
  char question[64];
  std::snprintf(question, sizeof question, kCopyQuestionText, count);
  if (MessageBoxA(window, question, kCopyQuestionCaption, MB_YESNO) != IDYES) return;
  HWND progress = GetDlgItem(window, IDC_PROGRESS);
  SendMessageA(progress, PBM_SETRANGE32, 0, static_cast<LPARAM>(count));
  SendMessageA(progress, PBM_SETSTEP, 1, 0);
  SendMessageA(progress, PBM_SETPOS, 0, 0);
  std::string folder = CopyFolder(PickCopyFolder(window), s.Load.CurrentPlaylistPath);
  MessageBoxA(window, folder.c_str(), kCopyFolderCaption, MB_OK | MB_ICONWARNING);
  WindowCopyHost host(window);
  CopyTracks(s.List, s.Options, s.Load.CurrentPlaylistPath, folder, SystemFileSystem(), host);
}

// Its boxes, the picker and the copy hand out messages: a reload or a drop
// that comes meanwhile waits until the copy has ended, then runs.
void OnCopyTracks(HWND window) {
  MainWindowState& s = g_state;
  s.Gate.BeginWork();
  CopyListedTracks(window);
  s.Gate.EndWork();
  Plan();
  InvalidateRect(window, nullptr, FALSE);
  if (!s.DropRunning) RunHeldRequests(window);
}

void OnOptions(HWND window) {
  OptionsChoice chosen =
      ChooseOptions(window, {g_state.Options, g_state.PlayerDirectory,
                             g_state.Load.MeasureUntimed, g_state.Load.ReadId3v2});
  g_state.Options = chosen.Options;
  g_state.Load.MeasureUntimed = chosen.MeasureUntimed;
  g_state.Load.ReadId3v2 = chosen.ReadId3v2;
  g_state.PlayerDirectory = std::move(chosen.PlayerDirectory);
}

void OnUnimplemented(HWND window, uint32_t id) {
  char text[64];
  std::snprintf(text, sizeof text, "Unimplemented command invoked: %u", id);
  MessageBoxA(window, text, "Error", MB_OK | MB_ICONEXCLAMATION);
}

// The handler of each CommandAction, in its order: the table in
// shell_rules says which command runs which.
using CommandHandler = void (*)(HWND window, uint32_t id, UINT code);
constexpr CommandHandler kHandlers[] = {
    [](HWND w, uint32_t, UINT) { OnOpen(w); },
    [](HWND w, uint32_t, UINT) { OnReopen(w); },
    [](HWND w, uint32_t, UINT) { OnExploreFolder(w); },
    [](HWND w, uint32_t, UINT) { OnLaunch(w); },
    [](HWND, uint32_t, UINT) { OnReset(); },
    [](HWND w, uint32_t, UINT) { OnExit(w); },
    [](HWND w, uint32_t, UINT) { ToggleAlwaysOnTop(w); },
    [](HWND w, uint32_t, UINT) { ToggleWarnLoadErrors(w); },
    [](HWND w, uint32_t, UINT) { OnWebLink(w); },
    [](HWND w, uint32_t, UINT code) {
      if (code == CBN_SELCHANGE) OnMediumChosen(w);
    },
    [](HWND w, uint32_t, UINT code) {
      if (code == CBN_SELCHANGE) OnModeChosen(w, IDC_DUPLICATE_MODE, g_state.Load.DuplicateMode, 4);
    },
    [](HWND w, uint32_t, UINT code) {
      if (code == CBN_SELCHANGE) OnModeChosen(w, IDC_PATH_MODE, g_state.Load.PathMode, 3);
    },
    [](HWND w, uint32_t, UINT code) { OnFillModeNotice(w, code); },
    [](HWND, uint32_t, UINT) { Plan(); },
    [](HWND w, uint32_t id, UINT code) {
      if (code == EN_KILLFOCUS) OnCapacityLeft(w, static_cast<int>(id));
    },
    [](HWND w, uint32_t, UINT) { OnCreateHtml(w); },
    [](HWND w, uint32_t, UINT) { OnSplitLists(w); },
    [](HWND w, uint32_t, UINT) { OnCreateLbl(w); },
    [](HWND w, uint32_t, UINT) { OnCreateCue(w); },
    [](HWND w, uint32_t, UINT) { OnWinAmp(w); },
    [](HWND w, uint32_t, UINT) { OnPlugin(w); },
    [](HWND w, uint32_t, UINT) { RunEditDialog(w, g_state.List, {kBuildDate, kBuildTime}); },
    [](HWND w, uint32_t, UINT) { OnPrint(w); },
    [](HWND w, uint32_t, UINT) { OnCopyClipboard(w); },
    [](HWND w, uint32_t, UINT) { OnOptions(w); },
    [](HWND w, uint32_t, UINT) { OnCopyTracks(w); },
};
static_assert(sizeof kHandlers / sizeof kHandlers[0] == kCommandHandlers,
              "one handler for every action of the command table");

void OnCommand(HWND window, uint32_t id, UINT code) {
  if (g_state.Gate.HoldCommand(id, code)) return;
  const CommandRow* row = FindCommand(id);
  if (row == nullptr) {
    OnUnimplemented(window, id);
    return;
  }
  // Before the handler, so that an output keeps its place in LastCommand
  // whichever part of the program carries it out.
  uint32_t last = LastCommandAfter(id, g_state.LastCommand);
  if (last != g_state.LastCommand) SetLastCommand(last);
  const auto action = static_cast<size_t>(row->Action);
  if (action < kCommandHandlers) kHandlers[action](window, id, code);
}

// Dialogs open over the window may show rows of the list, and a load (the
// watcher's among them) replaces it: each is told when the first load
// begins and when the last has ended.
BOOL CALLBACK TellDialog(HWND dialog, LPARAM stage) {
  if (GetPropA(dialog, kFollowsLoadsProperty)) {
    SendMessageA(dialog, MSG_PLAYLIST_RELOAD, static_cast<WPARAM>(stage), 0);
  }
  return TRUE;
}

void TellOpenDialogs(WPARAM stage) {
  EnumThreadWindows(GetCurrentThreadId(), TellDialog, static_cast<LPARAM>(stage));
}

// The load itself, past the gate: long work that holds every other request
// back until it, and the output it may repeat, have ended. The window, not
// the load, decides what follows it.
void RunLoad(HWND window) {
  MainWindowState& s = g_state;
  s.Gate.BeginWork();
  if (s.LoadsRunning++ == 0) TellOpenDialogs(kLoadBegins);
  for (int id : {IDC_COPY_TRACKS, IDC_SPLIT_LISTS, IDC_LAUNCH}) {
    EnableWindow(GetDlgItem(window, id), !s.ListFromPlayer);
  }
  NotePlaylistBeforeLoad(s.Load.CurrentPlaylistPath);  // what the watcher compares with
  {
    WindowLoadHost host(window);
    const LoadOutcome outcome = LoadPlaylist(s.Load, s.List, SystemFileSystem(), host);
    const StepsAfterLoad steps = AfterLoad(outcome, s.Load.CurrentPlaylistPath,
                                           s.Options.AutoRepeatLastCommand != 0, s.LastCommand);
    if (steps.Plan) OnPlanVolumes(window);
    if (steps.KeepAsLastFile) StoreLastFile(s.Load.CurrentPlaylistPath);
    if (steps.Repeat != 0) {
      // The list is complete, so the repeated output may read it. Only the
      // repeat goes through; whatever else came in waits until it ends.
      s.Gate.PassOnce(steps.Repeat);
      SendMessageA(window, WM_COMMAND, MAKEWPARAM(steps.Repeat, BN_CLICKED), 0);
    }
  }
  if (--s.LoadsRunning == 0) TellOpenDialogs(kLoadEnded);
  s.Gate.EndWork();
  // A drop runs what waited once all its files are loaded.
  if (!s.DropRunning) RunHeldRequests(window);
}

void OnLoadPlaylist(HWND window) {
  if (g_state.Gate.HoldLoad(g_state.Load.CurrentPlaylistPath)) return;
  RunLoad(window);
}

// The rewrite as the window shows it. Its reload runs at once, past the
// gate: whatever waited during the load that asked comes after it.
class WindowRewriteHost : public RewriteHost {
 public:
  explicit WindowRewriteHost(HWND window) : window_(window) {}
  int ShowMessage(std::string_view text, std::string_view caption, uint32_t style) override {
    return MessageBoxA(window_, std::string(text).c_str(), std::string(caption).c_str(), style);
  }
  void Reload() override { RunLoad(window_); }

 private:
  HWND window_;
};

// Backs the playlist up, writes the list over it and loads it again; true
// when it did.
bool RewriteNow(HWND window) {
  MainWindowState& s = g_state;
  // A list edited with no file behind it (nothing loaded, or after Reset)
  // has nowhere to go back to: an empty path would name files in the
  // current folder instead.
  if (s.Load.CurrentPlaylistPath.empty()) return false;
  // Its boxes hand out messages too: nothing may change the list meanwhile.
  s.Gate.BeginWork();
  // The watcher opens the playlist for a moment at every change in its
  // folder, the rewrite's own included, and a rename meeting that refuses
  // the backup. The reload starts it again; after a failed rewrite, this does.
  const bool watching = FileWatcherRunning();
  SendMessageA(window, MSG_STOP_WATCHER, 0, 0);
  WindowRewriteHost host(window);
  const bool written =
      RewritePlaylist(s.Load.CurrentPlaylistPath, s.List, SystemFileSystem(), SystemClock(), host)
          .Written;
  if (watching && !written) SendMessageA(window, MSG_START_WATCHER, 0, 0);
  s.Gate.EndWork();
  if (!s.DropRunning) RunHeldRequests(window);
  return written;
}

// MSG_REWRITE_PLAYLIST, from the Edit dialog or anyone else: during long
// work (a load building the list) it waits, as every change of the list.
void OnRewriteRequest(HWND window) {
  if (g_state.Gate.HoldRewrite()) return;
  RewriteNow(window);
}

// Each dropped file replaces the list loaded before it.
void RunDrop(HWND window, const std::vector<std::string>& files, bool inClient, uint32_t child) {
  MainWindowState& s = g_state;
  HWND progress = GetDlgItem(window, IDC_DROP_PROGRESS);
  SendMessageA(progress, PBM_SETRANGE32, 0, static_cast<LPARAM>(files.size()));
  SendMessageA(progress, PBM_SETSTEP, 1, 0);
  SendMessageA(progress, PBM_SETPOS, 0, 0);
  SetLastCommand(LastCommandForDrop(inClient, child, s.LastCommand));
  s.DropRunning = true;
  for (const std::string& file : files) {
    if (s.Closing) break;
    SendMessageA(progress, PBM_STEPIT, 0, 0);
    // Whole, however long: the load refuses a name it cannot hold, where a
    // name cut to fit would be another file's.
    SetPlaylistPath(WholePath(file));
    s.ListFromPlayer = false;
    SendMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
    InvalidateRect(window, nullptr, FALSE);
  }
  s.DropRunning = false;
  RunHeldRequests(window);
}

void OnDropFiles(HWND window, HDROP drop) {
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::string> files;
  files.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    std::string name(DragQueryFileA(drop, i, nullptr, 0), '\0');
    DragQueryFileA(drop, i, name.data(), static_cast<UINT>(name.size() + 1));
    files.push_back(std::move(name));
  }
  POINT point = {};
  uint32_t child = 0;
  bool inClient = DragQueryPoint(drop, &point) != 0;
  if (inClient) {
    HWND under = ChildWindowFromPoint(window, point);
    if (under && under != window) child = static_cast<uint16_t>(GetDlgCtrlID(under));
  }
  DragFinish(drop);
  if (g_state.Gate.HoldDrop(files, inClient, child)) return;
  RunDrop(window, files, inClient, child);
}

void RunHeldRequests(HWND window) {
  while (!g_state.Closing) {
    std::optional<HeldRequest> next = g_state.Gate.TakeNext();
    if (!next) return;
    switch (next->What) {
      case HeldRequest::Kind::kCommand: OnCommand(window, next->Command, next->Notification); break;
      case HeldRequest::Kind::kLoad:
        // A reload that waited behind a Reset has nothing left to load.
        if (!g_state.Load.CurrentPlaylistPath.empty()) RunLoad(window);
        break;
      case HeldRequest::Kind::kDrop:
        RunDrop(window, next->Files, next->DropInClient, next->DropChild);
        break;
      case HeldRequest::Kind::kClose: OnClose(window); break;
      case HeldRequest::Kind::kPlan: OnPlanVolumes(window); break;
      case HeldRequest::Kind::kRewrite: RewriteNow(window); break;
    }
  }
  g_state.Gate.Clear();
}

void OnMarquee(HWND window) {
  g_state.MarqueeIndex = NextMarqueeIndex(g_state.MarqueeIndex);
  SetDlgItemTextA(window, IDC_MARQUEE,
                  MarqueeText(g_state.MarqueeIndex, kBuildDate, kBuildTime).c_str());
}

void OnPlanVolumes(HWND window) {
  MainWindowState& s = g_state;
  s.Planning.ReservedSplit = IsDlgButtonChecked(window, IDC_RESERVED_SPLIT) == BST_CHECKED;
  char limit[32] = "";
  GetDlgItemTextA(window, IDC_MAXIMUM_VOLUMES, limit, sizeof limit);
  s.Planning.MaximumVolumes = ParseMaximumVolumes(limit);
  PlanTexts texts = PlanVolumes(s.Planning, s.List, s.Load.CurrentPlaylistPath);
  SetWindowTextA(window, texts.Title.c_str());
  SetDlgItemTextA(window, IDC_PLAYLIST_TOTAL, texts.PlayList.c_str());
  SetDlgItemTextA(window, IDC_MEDIUM, texts.Medium.c_str());
  SetDlgItemTextA(window, IDC_RESERVE, texts.Reserve.c_str());
  SetDlgItemTextA(window, IDC_TOTAL_KB, texts.TotalKB.c_str());
}

void OnClosing() {
  if (g_state.Gate.HoldClose()) return;
  OnClose(g_state.Window);
}

void OnDestroy(HWND window) {
  SendMessageA(window, MSG_STOP_WATCHER, 0, 0);
  StoreAlwaysOnTop(window, g_state.AlwaysOnTop);
  StoreWindowPosition(window);
  SendDlgItemMessageA(window, IDC_PLUGIN, BM_SETIMAGE, IMAGE_BITMAP, 0);
  g_state.PluginBitmap.Reset();
  PostQuitMessage(0);
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
}

// Private messages: both parameters 0, and each answers TRUE.
BOOL Answered(HWND window) {
  SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
  return TRUE;
}

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog(window);
    case WM_COMMAND: OnCommand(window, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_TIMER:
      if (wParam == kMarqueeTimer) OnMarquee(window);
      return TRUE;
    case WM_DROPFILES: OnDropFiles(window, reinterpret_cast<HDROP>(wParam)); return TRUE;
    case WM_HELP: AnswerHelpRequest(window, *reinterpret_cast<HELPINFO*>(lParam)); return TRUE;
    case WM_PAINT: OnPaint(window); return TRUE;
    case WM_CLOSE: OnClosing(); return TRUE;
    case WM_DESTROY: OnDestroy(window); return TRUE;
    case MSG_LOAD_PLAYLIST: OnLoadPlaylist(window); return Answered(window);
    case MSG_PLAN_VOLUMES: Plan(); return Answered(window);
    case MSG_START_WATCHER:
      StartFileWatcher(window, g_state.Load.CurrentPlaylistPath);
      return Answered(window);
    case MSG_STOP_WATCHER: StopFileWatcher(); return Answered(window);
    case MSG_REWRITE_PLAYLIST: OnRewriteRequest(window); return Answered(window);
  }
  return FALSE;
}

}  // namespace

int RunMainWindow(HINSTANCE instance, const char* commandLine) {
  SetPlaylistPath(WholePath(PathFromCommandLine(commandLine ? commandLine : "")));
  if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainWindowProc, 0) == -1) {
    // Without its window the program can do nothing; say why rather than
    // end as if all went well.
    ReportSystemError(nullptr, GetLastError(), __FILE__, __LINE__);
    return 1;
  }
  return 0;
}

}  // namespace voltrak

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls,
                                   ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  return voltrak::RunMainWindow(instance, commandLine);
}
