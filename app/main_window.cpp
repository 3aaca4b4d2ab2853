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
#include "playlist/track_read_ahead.h"
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

// The window's state, owned by the main thread from start-up to exit. The
// window procedure hands it to every handler; nothing else reaches it.
struct MainWindowState {
  HWND Window = nullptr;
  // CurrentPlaylistPath, PathMode, DuplicateMode, WarnLoadErrors and what
  // is read of the track files
  LoadSettings Load;
  bool ListFromPlayer = false;  // the list is the player's: no file commands
  uint32_t LastCommand = 0;     // the output a load runs again, or 0
  PlanningSettings Planning;    // FillMode lives here
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

void OnPlanVolumes(MainWindowState& s, HWND window);
bool RewriteNow(MainWindowState& s, HWND window);

// A plan asked for by a control, a command or another program: it reads
// the whole list, so during long work it waits until that has ended. The
// load's own plans run at once.
void Plan(MainWindowState& s) {
  if (s.Gate.HoldPlan()) return;
  OnPlanVolumes(s, s.Window);
}

// Every change of the current path goes through here: the watcher reads a
// copy of its own, from its own thread.
void SetPlaylistPath(MainWindowState& s, std::string path) {
  s.Load.CurrentPlaylistPath = std::move(path);
  ShareWatchedPath(s.Load.CurrentPlaylistPath);
}

// The output to run again after a load; traced, since nothing on screen
// shows it.
void SetLastCommand(MainWindowState& s, uint32_t command) {
  s.LastCommand = command;
  TraceLine("LastCommand %u\n", command);
  std::fflush(stdout);
}

// The load as the window shows it.
class WindowLoadHost : public LoadHost {
 public:
  WindowLoadHost(MainWindowState& state, HWND window)
      : s(state), window_(window), progress_(GetDlgItem(window, IDC_PROGRESS)) {}

  // The watcher follows the new file from now on, and the read-outs show
  // the list as empty while it is read.
  void ListReplaced() override {
    SendMessageA(window_, MSG_STOP_WATCHER, 0, 0);
    SendMessageA(window_, MSG_START_WATCHER, 0, 0);
    OnPlanVolumes(s, window_);
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
           RewriteNow(s, window_);
  }
  void Trace(std::string_view line) override { DebugText(std::string(line).c_str()); }
  DuplicateAnswer AskAboutDuplicate(const EntryRef& first, const EntryRef& second) override {
    BringWindowToFront(window_);
    return voltrak::AskAboutDuplicate(window_, first, second);
  }

 private:
  MainWindowState& s;
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

StoredModes CurrentModes(MainWindowState& s) {
  StoredModes modes;
  modes.FillMode = s.Planning.FillMode;
  modes.PathMode = s.Load.PathMode;
  modes.DuplicateMode = s.Load.DuplicateMode;
  modes.MeasureUntimed = s.Load.MeasureUntimed;
  modes.ReadId3v2 = s.Load.ReadId3v2;
  return modes;
}

void ToggleAlwaysOnTop(MainWindowState& s, HWND window) {
  s.AlwaysOnTop = s.AlwaysOnTop ? 0 : 1;
  CheckDlgButton(window, IDC_ALWAYS_ON_TOP, s.AlwaysOnTop ? BST_CHECKED : BST_UNCHECKED);
  SetWindowPos(window, s.AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
}

void ToggleWarnLoadErrors(MainWindowState& s, HWND window) {
  s.Load.WarnLoadErrors = !s.Load.WarnLoadErrors;
  CheckDlgButton(window, IDC_WARN_LOAD_ERRORS,
                 s.Load.WarnLoadErrors ? BST_CHECKED : BST_UNCHECKED);
}

BOOL OnInitDialog(MainWindowState& s, HWND window) {
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

  StoredModes modes = CurrentModes(s);
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
    ToggleAlwaysOnTop(s, window);
  }
  SetTimer(window, kMarqueeTimer, kMarqueePeriod, nullptr);
  // No watcher runs until the first load starts one.
  if (s.Load.CurrentPlaylistPath.empty()) SetPlaylistPath(s, WholePath(LoadLastFile()));
  if (!s.Load.CurrentPlaylistPath.empty()) {
    // Both run after the window has appeared; the load plans on its own too.
    PostMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
    PostMessageA(window, MSG_PLAN_VOLUMES, 0, 0);
  }
  return TRUE;
}

void OnOpen(MainWindowState& s, HWND window) {
  SetLastCommand(s, 0);
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
  SetPlaylistPath(s, WholePath(file));
  s.ListFromPlayer = false;
  SendMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
}

void OnReopen(MainWindowState& s, HWND window) {
  if (!s.Load.CurrentPlaylistPath.empty()) SendMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
}

void OnReset(MainWindowState& s) {
  SetLastCommand(s, 0);
  s.List.Reset();
  s.ListFromPlayer = false;
  SetPlaylistPath(s, {});
  Plan(s);
}

void OnExploreFolder(MainWindowState& s, HWND window) {
  std::string folder = ExploreFolderOf(s.Load.CurrentPlaylistPath);
  if (folder.empty()) return;  // nothing loaded: no folder to show
  ShellExecuteA(window, nullptr, folder.c_str(), nullptr, "", SW_SHOWNA);
}

void OnLaunch(MainWindowState& s, HWND window) {
  // An empty path would hand the shell nothing to open but the current folder.
  if (s.Load.CurrentPlaylistPath.empty()) return;
  ShellExecuteA(window, "open", s.Load.CurrentPlaylistPath.c_str(), nullptr, "",
                SW_SHOWNORMAL);
}

void OnWebLink(HWND window) {
  ShellExecuteA(window, "open", kMakerWebAddress, nullptr, "", SW_SHOWNORMAL);
}

void OnClose(MainWindowState& s, HWND window) {
  s.Closing = true;
  SaveOnClose(CurrentModes(s), s.PlayerDirectory, s.Load.CurrentPlaylistPath);
  DestroyWindow(window);
}

void OnExit(MainWindowState& s, HWND window) {
  KillTimer(window, kMarqueeTimer);
  OnClose(s, window);
}

void OnMediumChosen(MainWindowState& s, HWND window) {
  LRESULT row = SelectedRow(window, IDC_MEDIUM_LIST);
  if (row < 0 || !ChooseMedium(s.Planning, static_cast<size_t>(row))) return;
  Plan(s);
  char trace[32];
  std::snprintf(trace, sizeof trace, "Split Mode: %u", static_cast<unsigned>(row));
  DebugText(trace);
}

template <typename Mode>
void OnModeChosen(HWND window, int id, Mode& mode, uint32_t rows) {
  LRESULT row = SelectedRow(window, id);
  if (row >= 0 && static_cast<uint32_t>(row) < rows) mode = static_cast<Mode>(row);
}

void OnFillModeNotice(MainWindowState& s, HWND window, UINT code) {
  if (code == CBN_SELCHANGE) {
    LRESULT row = SelectedRow(window, IDC_FILL_MODE);
    if (row >= 0) ChooseFillMode(s.Planning, static_cast<uint32_t>(row));
  }
  Plan(s);
}

void OnCapacityLeft(MainWindowState& s, HWND window, int id) {
  char text[kMaxCapacityTextLength + 1] = "";
  GetDlgItemTextA(window, id, text, sizeof text);
  EnterCapacity(s.Planning, id == IDC_MEDIUM ? CapacityField::kMedium : CapacityField::kReserve,
                text);
  if (s.CapacityPlanRunning) return;
  s.CapacityPlanRunning = true;
  Plan(s);
  s.CapacityPlanRunning = false;
}

// The written outputs' boxes: a file that fails raises the window first.
class WindowOutputHost : public OutputHost {
 public:
  WindowOutputHost(MainWindowState& state, HWND window) : s(state), window_(window) {}
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
  OutputTarget Target() { return {s.Load.CurrentPlaylistPath, SystemFileSystem(), *this}; }

 private:
  MainWindowState& s;
  HWND window_;
};

void OnSplitLists(MainWindowState& s, HWND window) {
  WindowOutputHost host(s, window);
  WriteSplitLists(s.List, host.Target());
}

void OnCreateHtml(MainWindowState& s, HWND window) {
  WindowOutputHost host(s, window);
  ReportSettings settings{s.Planning, s.Options, kMakerWebAddress};
  OutputResult result = WriteHtmlReport(s.List, settings, SystemClock(), host.Target());
  // Only a page written whole goes to the viewer.
  for (const std::string& page : result.Written) {
    ShellExecuteA(window, nullptr, page.c_str(), nullptr, nullptr, SW_SHOWNA);
  }
}

void OnCreateCue(MainWindowState& s, HWND window) {
  WindowOutputHost host(s, window);
  WriteCueSheet(s.List, host.Target());
}

void OnCreateLbl(MainWindowState& s, HWND window) {
  WindowOutputHost host(s, window);
  WriteLabelFile(s.List, host.Target());
}

// The player's current list. A player that is missing or silent leaves the
// list it wrote last, and a note in its folder.
void OnWinAmp(MainWindowState& s, HWND window) {
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
  SetPlaylistPath(s, WholePath(InPlayerFolder(s.PlayerDirectory, kPlayerListName)));
  SendMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
  if (!player.Answered) WritePlayerSignature(window, s.PlayerDirectory);
}

// The plug-in's master playlist; the player's own list stays marked as such.
void OnPlugin(MainWindowState& s, HWND window) {
  SetPlaylistPath(s, WholePath(PluginPlaylist(s.PlayerDirectory)));
  if (s.Load.CurrentPlaylistPath.empty()) {
    ExplainPluginSetup(window);
    return;
  }
  SendMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
}

void RunHeldRequests(MainWindowState& s, HWND window);

// The player's current track when the list is the player's, asked for anew;
// else the whole list.
void OnCopyClipboard(MainWindowState& s, HWND window) {
  if (s.ListFromPlayer && s.Options.CopySingleTrackInfo && s.PlayerWindow) {
    SetLastCommand(s, 0);  // the player's reload must not repeat this command
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
void OnPrint(MainWindowState& s, HWND window) {
  s.Gate.BeginWork();
  PrintPlaylist(window, s.List, s.Load.CurrentPlaylistPath.c_str(),
                [window] { DispatchPendingMessages(window); });
  s.Gate.EndWork();
  if (!s.DropRunning) RunHeldRequests(s, window);
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
std::optional<std::string> PickCopyFolder(MainWindowState& s, HWND window) {
  std::string folder = s.Load.CurrentPlaylistPath;
  if (!BrowseForFolder(window, kCopyPickerTitle, folder)) return std::nullopt;
  return folder;
}

void CopyListedTracks(MainWindowState& s, HWND window) {
  const uint32_t count = s.List.TrackCount();
  if (count == 0) return;
  char question[64];
  std::snprintf(question, sizeof question, kCopyQuestionText, count);
  if (MessageBoxA(window, question, kCopyQuestionCaption, MB_YESNO) != IDYES) return;
  HWND progress = GetDlgItem(window, IDC_PROGRESS);
  SendMessageA(progress, PBM_SETRANGE32, 0, static_cast<LPARAM>(count));
  SendMessageA(progress, PBM_SETSTEP, 1, 0);
  SendMessageA(progress, PBM_SETPOS, 0, 0);
  std::string folder = CopyFolder(PickCopyFolder(s, window), s.Load.CurrentPlaylistPath);
  MessageBoxA(window, folder.c_str(), kCopyFolderCaption, MB_OK | MB_ICONWARNING);
  WindowCopyHost host(window);
  CopyTracks(s.List, s.Options, s.Load.CurrentPlaylistPath, folder, SystemFileSystem(), host);
}

// Its boxes, the picker and the copy hand out messages: a reload or a drop
// that comes meanwhile waits until the copy has ended, then runs.
void OnCopyTracks(MainWindowState& s, HWND window) {
  s.Gate.BeginWork();
  CopyListedTracks(s, window);
  s.Gate.EndWork();
  Plan(s);
  InvalidateRect(window, nullptr, FALSE);
  if (!s.DropRunning) RunHeldRequests(s, window);
}

void OnOptions(MainWindowState& s, HWND window) {
  OptionsChoice chosen =
      ChooseOptions(window, {s.Options, s.PlayerDirectory,
                             s.Load.MeasureUntimed, s.Load.ReadId3v2});
  s.Options = chosen.Options;
  s.Load.MeasureUntimed = chosen.MeasureUntimed;
  s.Load.ReadId3v2 = chosen.ReadId3v2;
  s.PlayerDirectory = std::move(chosen.PlayerDirectory);
}

void OnUnimplemented(HWND window, uint32_t id) {
  char text[64];
  std::snprintf(text, sizeof text, "Unimplemented command invoked: %u", id);
  MessageBoxA(window, text, "Error", MB_OK | MB_ICONEXCLAMATION);
}

// The handler of each CommandAction, in its order: the table in
// shell_rules says which command runs which.
using CommandHandler = void (*)(MainWindowState& s, HWND window, uint32_t id, UINT code);
constexpr CommandHandler kHandlers[] = {
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnOpen(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnReopen(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnExploreFolder(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnLaunch(s, w); },
    [](MainWindowState& s, HWND, uint32_t, UINT) { OnReset(s); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnExit(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { ToggleAlwaysOnTop(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { ToggleWarnLoadErrors(s, w); },
    [](MainWindowState&, HWND w, uint32_t, UINT) { OnWebLink(w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT code) {
      if (code == CBN_SELCHANGE) OnMediumChosen(s, w);
    },
    [](MainWindowState& s, HWND w, uint32_t, UINT code) {
      if (code == CBN_SELCHANGE) OnModeChosen(w, IDC_DUPLICATE_MODE, s.Load.DuplicateMode, 4);
    },
    [](MainWindowState& s, HWND w, uint32_t, UINT code) {
      if (code == CBN_SELCHANGE) OnModeChosen(w, IDC_PATH_MODE, s.Load.PathMode, 3);
    },
    [](MainWindowState& s, HWND w, uint32_t, UINT code) { OnFillModeNotice(s, w, code); },
    [](MainWindowState& s, HWND, uint32_t, UINT) { Plan(s); },
    [](MainWindowState& s, HWND w, uint32_t id, UINT code) {
      if (code == EN_KILLFOCUS) OnCapacityLeft(s, w, static_cast<int>(id));
    },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnCreateHtml(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnSplitLists(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnCreateLbl(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnCreateCue(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnWinAmp(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnPlugin(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) {
      RunEditDialog(w, s.List, {kBuildDate, kBuildTime});
    },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnPrint(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnCopyClipboard(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnOptions(s, w); },
    [](MainWindowState& s, HWND w, uint32_t, UINT) { OnCopyTracks(s, w); },
};
static_assert(sizeof kHandlers / sizeof kHandlers[0] == kCommandHandlers,
              "one handler for every action of the command table");

void OnCommand(MainWindowState& s, HWND window, uint32_t id, UINT code) {
  if (s.Gate.HoldCommand(id, code)) return;
  const CommandRow* row = FindCommand(id);
  if (row == nullptr) {
    OnUnimplemented(window, id);
    return;
  }
  // Before the handler, so that an output keeps its place in LastCommand
  // whichever part of the program carries it out.
  uint32_t last = LastCommandAfter(id, s.LastCommand);
  if (last != s.LastCommand) SetLastCommand(s, last);
  const auto action = static_cast<size_t>(row->Action);
  if (action < kCommandHandlers) kHandlers[action](s, window, id, code);
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
void RunLoad(MainWindowState& s, HWND window) {
  s.Gate.BeginWork();
  if (s.LoadsRunning++ == 0) TellOpenDialogs(kLoadBegins);
  for (int id : {IDC_COPY_TRACKS, IDC_SPLIT_LISTS, IDC_LAUNCH}) {
    EnableWindow(GetDlgItem(window, id), !s.ListFromPlayer);
  }
  NotePlaylistBeforeLoad(s.Load.CurrentPlaylistPath);  // what the watcher compares with
  {
    WindowLoadHost host(s, window);
    const LoadOutcome outcome = LoadPlaylist(s.Load, s.List, SystemFileSystem(), host);
    const StepsAfterLoad steps = AfterLoad(outcome, s.Load.CurrentPlaylistPath,
                                           s.Options.AutoRepeatLastCommand != 0, s.LastCommand);
    if (steps.Plan) OnPlanVolumes(s, window);
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
  if (!s.DropRunning) RunHeldRequests(s, window);
}

void OnLoadPlaylist(MainWindowState& s, HWND window) {
  if (s.Gate.HoldLoad(s.Load.CurrentPlaylistPath)) return;
  RunLoad(s, window);
}

// The rewrite as the window shows it. Its reload runs at once, past the
// gate: whatever waited during the load that asked comes after it.
class WindowRewriteHost : public RewriteHost {
 public:
  WindowRewriteHost(MainWindowState& state, HWND window) : s(state), window_(window) {}
  int ShowMessage(std::string_view text, std::string_view caption, uint32_t style) override {
    return MessageBoxA(window_, std::string(text).c_str(), std::string(caption).c_str(), style);
  }
  void Reload() override { RunLoad(s, window_); }

 private:
  MainWindowState& s;
  HWND window_;
};

// Backs the playlist up, writes the list over it and loads it again; true
// when it did.
bool RewriteNow(MainWindowState& s, HWND window) {
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
  WindowRewriteHost host(s, window);
  const bool written =
      RewritePlaylist(s.Load.CurrentPlaylistPath, s.List, SystemFileSystem(), SystemClock(), host)
          .Written;
  if (watching && !written) SendMessageA(window, MSG_START_WATCHER, 0, 0);
  s.Gate.EndWork();
  if (!s.DropRunning) RunHeldRequests(s, window);
  return written;
}

// MSG_REWRITE_PLAYLIST, from the Edit dialog or anyone else: during long
// work (a load building the list) it waits, as every change of the list.
void OnRewriteRequest(MainWindowState& s, HWND window) {
  if (s.Gate.HoldRewrite()) return;
  RewriteNow(s, window);
}

// Each dropped file replaces the list loaded before it.
void RunDrop(MainWindowState& s, HWND window, const std::vector<std::string>& files,
             bool inClient, uint32_t child) {
  HWND progress = GetDlgItem(window, IDC_DROP_PROGRESS);
  SendMessageA(progress, PBM_SETRANGE32, 0, static_cast<LPARAM>(files.size()));
  SendMessageA(progress, PBM_SETSTEP, 1, 0);
  SendMessageA(progress, PBM_SETPOS, 0, 0);
  SetLastCommand(s, LastCommandForDrop(inClient, child, s.LastCommand));
  s.DropRunning = true;
  for (const std::string& file : files) {
    if (s.Closing) break;
    SendMessageA(progress, PBM_STEPIT, 0, 0);
    // Whole, however long: the load refuses a name it cannot hold, where a
    // name cut to fit would be another file's.
    SetPlaylistPath(s, WholePath(file));
    s.ListFromPlayer = false;
    SendMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
    InvalidateRect(window, nullptr, FALSE);
  }
  s.DropRunning = false;
  RunHeldRequests(s, window);
}

void OnDropFiles(MainWindowState& s, HWND window, HDROP drop) {
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
  if (s.Gate.HoldDrop(files, inClient, child)) return;
  RunDrop(s, window, files, inClient, child);
}

void RunHeldRequests(MainWindowState& s, HWND window) {
  while (!s.Closing) {
    std::optional<HeldRequest> next = s.Gate.TakeNext();
    if (!next) return;
    switch (next->What) {
      case HeldRequest::Kind::kCommand:
        OnCommand(s, window, next->Command, next->Notification);
        break;
      case HeldRequest::Kind::kLoad:
        // A reload that waited behind a Reset has nothing left to load.
        if (!s.Load.CurrentPlaylistPath.empty()) RunLoad(s, window);
        break;
      case HeldRequest::Kind::kDrop:
        RunDrop(s, window, next->Files, next->DropInClient, next->DropChild);
        break;
      case HeldRequest::Kind::kClose: OnClose(s, window); break;
      case HeldRequest::Kind::kPlan: OnPlanVolumes(s, window); break;
      case HeldRequest::Kind::kRewrite: RewriteNow(s, window); break;
    }
  }
  s.Gate.Clear();
}

void OnMarquee(MainWindowState& s, HWND window) {
  s.MarqueeIndex = NextMarqueeIndex(s.MarqueeIndex);
  SetDlgItemTextA(window, IDC_MARQUEE,
                  MarqueeText(s.MarqueeIndex, kBuildDate, kBuildTime).c_str());
}

void OnPlanVolumes(MainWindowState& s, HWND window) {
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

void OnClosing(MainWindowState& s) {
  if (s.Gate.HoldClose()) return;
  OnClose(s, s.Window);
}

void OnDestroy(MainWindowState& s, HWND window) {
  SendMessageA(window, MSG_STOP_WATCHER, 0, 0);
  StoreAlwaysOnTop(window, s.AlwaysOnTop);
  StoreWindowPosition(window);
  SendDlgItemMessageA(window, IDC_PLUGIN, BM_SETIMAGE, IMAGE_BITMAP, 0);
  s.PluginBitmap.Reset();
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
  // The one way in from the system: every handler below is handed the state.
  MainWindowState& s = g_state;
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog(s, window);
    case WM_COMMAND: OnCommand(s, window, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_TIMER:
      if (wParam == kMarqueeTimer) OnMarquee(s, window);
      return TRUE;
    case WM_DROPFILES: OnDropFiles(s, window, reinterpret_cast<HDROP>(wParam)); return TRUE;
    case WM_HELP: AnswerHelpRequest(window, *reinterpret_cast<HELPINFO*>(lParam)); return TRUE;
    case WM_PAINT: OnPaint(window); return TRUE;
    case WM_CLOSE: OnClosing(s); return TRUE;
    case WM_DESTROY: OnDestroy(s, window); return TRUE;
    case MSG_LOAD_PLAYLIST: OnLoadPlaylist(s, window); return Answered(window);
    case MSG_PLAN_VOLUMES: Plan(s); return Answered(window);
    case MSG_START_WATCHER:
      StartFileWatcher(window, s.Load.CurrentPlaylistPath);
      return Answered(window);
    case MSG_STOP_WATCHER: StopFileWatcher(); return Answered(window);
    case MSG_REWRITE_PLAYLIST: OnRewriteRequest(s, window); return Answered(window);
  }
  return FALSE;
}

}  // namespace

int RunMainWindow(HINSTANCE instance, const char* commandLine) {
  g_state.Load.ReadThreads = ReadThreadsToUse();
  SetPlaylistPath(g_state, WholePath(PathFromCommandLine(commandLine ? commandLine : "")));
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
