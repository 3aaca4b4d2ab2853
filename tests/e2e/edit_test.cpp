// The Edit dialog and the Tree view over it in the running program: what
// they show, moves mirrored in the list and the plan, OK's rewrite after a
// backup, Cancel's reload, the close box, and a reload by the file watcher
// while both are open.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>

#include "tests/e2e/fixture.h"

namespace e2e {
namespace {

bool StartsWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}

// A dialog of the program, pressed and read from outside as its user would.
class Dialog {
 public:
  Dialog(App& app, const char* caption) : window_(app.WaitForBox(caption).Window) {}
  explicit operator bool() const { return window_ != nullptr; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  std::string Text(int id) const { return TextOf(Item(id)); }
  bool Open() const { return IsWindow(window_) && IsWindowVisible(window_); }
  bool WaitClosed() const {
    return WaitUntil([&] { return !Open(); });
  }
  // The command as its control sends it, waited for.
  bool Press(int id, UINT code = BN_CLICKED) const {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window_, WM_COMMAND, MAKEWPARAM(id, code),
                               reinterpret_cast<LPARAM>(Item(id)), SMTO_NORMAL, 5000,
                               &ignored) != 0;
  }
  // For a command that shows a box.
  void Post(int id) const {
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Item(id)));
  }
  void CloseBox() const { PostMessageA(window_, WM_CLOSE, 0, 0); }

 private:
  HWND window_;
};

class EditDialog : public Dialog {
 public:
  explicit EditDialog(App& app) : Dialog(app, "Edit") {}
  HWND List() const { return Item(IDC_EDIT_LIST); }
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (LRESULT row = 0; row < SendMessageA(List(), LB_GETCOUNT, 0, 0); ++row) {
      // Wine hands another process's row over in UTF-16.
      wchar_t wide[512] = {0};
      SendMessageW(List(), LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(wide));
      char text[512] = {0};
      WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
      rows.push_back(text);
    }
    return rows;
  }
  std::vector<int> Selected() const {
    std::vector<int> rows;
    for (int row = 0; row < SendMessageA(List(), LB_GETCOUNT, 0, 0); ++row) {
      if (SendMessageA(List(), LB_GETSEL, row, 0) > 0) rows.push_back(row);
    }
    return rows;
  }
  // Selects exactly these rows, the focus on the last, as clicks would.
  void Select(std::initializer_list<int> rows) const {
    SendMessageA(List(), LB_SETSEL, FALSE, -1);
    for (int row : rows) SendMessageA(List(), LB_SETSEL, TRUE, row);
    SendMessageA(List(), LB_SETCARETINDEX, *(rows.end() - 1), FALSE);
    Press(IDC_EDIT_LIST, LBN_SELCHANGE);
  }
  std::string Details() const {
    std::string details;
    for (int id : {IDC_EDIT_TRACK, IDC_EDIT_FILE_NAME, IDC_EDIT_TITLE, IDC_EDIT_ARTIST,
                   IDC_EDIT_ALBUM, IDC_EDIT_COMMENT, IDC_EDIT_COUNT, IDC_EDIT_TIME}) {
      details += Text(id) + "|";
    }
    return details;
  }
};

// A node of the Tree view by its place: the root's index, then a child's
// index at each level, expanding on the way as a user would.
HTREEITEM Node(const Dialog& tree, std::initializer_list<int> path) {
  HWND control = tree.Item(IDC_TREE);
  HTREEITEM node = nullptr;
  for (int index : path) {
    if (node) SendMessageA(control, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
    node = reinterpret_cast<HTREEITEM>(SendMessageA(
        control, TVM_GETNEXTITEM, node ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(node)));
    for (int i = 0; i < index && node; ++i) node = TreeView_GetNextSibling(control, node);
  }
  return node;
}

// Selects a node as a click would: posted, as a group node shows a box.
void Choose(const Dialog& tree, HTREEITEM node) {
  PostMessageA(tree.Item(IDC_TREE), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
}

class Edit : public VoltrakTest {
 protected:
  // Starts the program on the four known tracks and waits until it shows them.
  App& Start() {
    list_ = KnownList();
    app_ = std::make_unique<App>(scratch, ("\"" + list_ + "\"").c_str());
    EXPECT_TRUE(app_->WaitForTitle([](const std::string& t) { return StartsWith(t, "mix.m3u"); }))
        << app_->State();
    return *app_;
  }
  EditDialog OpenEdit() {
    app_->PostCommand(kEdit);
    return EditDialog(*app_);
  }
  Dialog OpenTree(const EditDialog& edit) {
    edit.Post(IDC_EDIT_TREE_VIEW);
    return Dialog(*app_, "Tree View");
  }
  // The track files the playlist file lists, in its order.
  std::vector<std::string> Listed() const {
    std::vector<std::string> files;
    std::istringstream lines(ReadText(list_));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line[0] != '#') files.push_back(line);
    }
    return files;
  }
  std::vector<std::string> Backups() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.Work)) {
      if (StartsWith(entry.path().filename().string(), "mix-"))
        found.push_back(entry.path().string());
    }
    return found;
  }
  // OK after a counted edit: the rewrite names its backup, then reloads.
  void OkAndRewrite(const EditDialog& edit) {
    edit.Post(IDOK);
    Box renaming = app_->WaitForBox("Renaming old play list.");
    ASSERT_TRUE(renaming) << "OK wrote nothing";
    app_->Press(renaming, IDOK);
    EXPECT_TRUE(edit.WaitClosed()) << app_->FindBox().Caption;
  }
  // The known tracks' texts: "Harness - Track N", or with `files` "trackN.mp3".
  static std::vector<std::string> Names(std::initializer_list<int> tracks, bool files = false) {
    std::vector<std::string> names;
    for (int track : tracks) {
      const std::string number = std::to_string(track);
      names.push_back(files ? "track" + number + ".mp3" : "Harness - Track " + number);
    }
    return names;
  }

  std::unique_ptr<App> app_;
  std::string list_;
};

TEST_F(Edit, MovesShowInTheListAndThePlanAndOkWritesThemAfterABackup) {
  App& app = Start();
  app.Select(kFillMode, 1);  // by time: 4,900 seconds make two discs
  ASSERT_TRUE(
      app.WaitForTitle([](const std::string& t) { return StartsWith(t, "mix.m3u - (2/"); }));
  const std::string before = ReadText(list_);
  EditDialog edit = OpenEdit();
  ASSERT_TRUE(edit);
  EXPECT_EQ(edit.Rows(), Names({1, 2, 3, 4}));
  for (int id :
       {IDC_EDIT_TOP, IDC_EDIT_UP, IDC_EDIT_DOWN, IDC_EDIT_BOTTOM, IDC_EDIT_SELECT_FIRST_VOLUME}) {
    EXPECT_FALSE(IsWindowEnabled(edit.Item(id))) << id;
  }
  EXPECT_TRUE(IsWindowEnabled(edit.Item(IDC_EDIT_TREE_VIEW)));
  EXPECT_EQ(edit.Text(IDC_BUILD_DATE) + edit.Text(IDC_BUILD_TIME),
            app.Text(kBuildDate) + app.Text(kBuildTime));
  edit.Select({1, 3});
  EXPECT_EQ(edit.Details(),
            "4 of 4|track4.mp3|Track 4|Harness|Known Numbers|made by Voltrak|2|0:35:00|");
  ASSERT_TRUE(edit.Press(IDC_EDIT_TEST));  // does nothing
  ASSERT_TRUE(edit.Press(IDC_EDIT_UP));
  EXPECT_EQ(edit.Rows(), Names({2, 1, 4, 3}));
  EXPECT_EQ(edit.Selected(), (std::vector<int>{0, 2}));
  ASSERT_TRUE(edit.Press(IDC_EDIT_BOTTOM));
  EXPECT_EQ(edit.Rows(), Names({1, 3, 2, 4}));
  EXPECT_EQ(edit.Selected(), (std::vector<int>{2, 3}));
  // Each edit plans again at once: without track 3's 800 seconds one disc holds the rest.
  edit.Select({1});
  ASSERT_TRUE(edit.Press(IDC_EDIT_REMOVE));
  EXPECT_EQ(edit.Rows(), Names({1, 2, 4}));
  EXPECT_TRUE(edit.Selected().empty());
  EXPECT_TRUE(StartsWith(app.Title(), "mix.m3u - (1/")) << app.Title();

  OkAndRewrite(edit);
  EXPECT_EQ(Listed(), Names({1, 2, 4}, true));
  ASSERT_EQ(Backups().size(), 1u);
  EXPECT_EQ(ReadText(Backups()[0]), before);
  EXPECT_TRUE(StartsWith(app.Title(), "mix.m3u - (1/1)")) << app.Title();
}

TEST_F(Edit, OnlyMovesRemovalsAndTheirTriesRewrite) {
  App& app = Start();
  const std::string before = ReadText(list_);
  EditDialog edit = OpenEdit();
  ASSERT_TRUE(edit);
  edit.Select({1});
  ASSERT_TRUE(edit.Press(IDC_EDIT_INVERT));
  EXPECT_EQ(edit.Selected(), (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(edit.Text(IDC_EDIT_TIME), "0:48:20");
  ASSERT_TRUE(edit.Press(IDC_EDIT_CLEAR));
  EXPECT_TRUE(edit.Selected().empty());
  EXPECT_EQ(SendMessageA(edit.List(), LB_GETTOPINDEX, 0, 0), 0);
  ASSERT_TRUE(edit.Press(IDOK));
  EXPECT_TRUE(edit.WaitClosed());
  EXPECT_FALSE(app.FindBox()) << app.FindBox().Caption;
  EXPECT_EQ(ReadText(list_), before);

  // Up with row 0 selected moves nothing, yet counts.
  EditDialog again = OpenEdit();
  again.Select({0});
  ASSERT_TRUE(again.Press(IDC_EDIT_UP));
  EXPECT_EQ(again.Rows(), Names({1, 2, 3, 4}));
  OkAndRewrite(again);
  EXPECT_EQ(Backups().size(), 1u);
}

TEST_F(Edit, CancelLoadsTheFilesOrderAgain) {
  Start();
  EditDialog edit = OpenEdit();
  ASSERT_TRUE(edit);
  edit.Select({3});
  ASSERT_TRUE(edit.Press(IDC_EDIT_TOP));
  ASSERT_TRUE(edit.Press(IDC_EDIT_CANCEL));
  EXPECT_TRUE(edit.WaitClosed());
  EXPECT_EQ(OpenEdit().Rows(), Names({1, 2, 3, 4}));
  EXPECT_TRUE(Backups().empty());
}

TEST_F(Edit, TheCloseBoxKeepsEvenAnEmptiedListInMemoryOnly) {
  Start();
  const std::string before = ReadText(list_);
  EditDialog edit = OpenEdit();
  ASSERT_TRUE(edit);
  edit.Select({0, 1, 2, 3});
  ASSERT_TRUE(edit.Press(IDC_EDIT_REMOVE));
  EXPECT_TRUE(edit.Rows().empty());
  // The refresh on an empty list reads no entry.
  ASSERT_TRUE(edit.Press(IDC_EDIT_INVERT));
  EXPECT_EQ(edit.Details(), "||||||0|0:00:00|");
  edit.CloseBox();
  EXPECT_TRUE(edit.WaitClosed());
  EXPECT_EQ(ReadText(list_), before);
  EXPECT_TRUE(OpenEdit().Rows().empty());
}

TEST_F(Edit, WithNoPlaylistOkWritesNothingAnywhere) {
  // An edit with no file behind it once went back to the file the empty
  // path names: the current folder's ".bak" was deleted first.
  WriteText(scratch.Work + "\\.bak", "keep me");
  app_ = std::make_unique<App>(scratch, nullptr);
  ASSERT_TRUE(app_->Main()) << app_->State();
  EditDialog edit = OpenEdit();
  ASSERT_TRUE(edit.Press(IDC_EDIT_REMOVE));
  edit.Post(IDOK);
  EXPECT_TRUE(edit.WaitClosed());
  EXPECT_FALSE(app_->FindBox()) << app_->FindBox().Caption;
  EXPECT_EQ(ReadText(scratch.Work + "\\.bak"), "keep me");
}

TEST_F(Edit, TheTreeFlipsTheRowOfALeafAndOnlySpeaksOfParents) {
  App& app = Start();
  EditDialog edit = OpenEdit();
  ASSERT_TRUE(edit);
  Dialog tree = OpenTree(edit);
  ASSERT_TRUE(tree);
  // Every file loaded: the six "Sorted by" roots alone.
  EXPECT_EQ(TreeView_GetCount(tree.Item(IDC_TREE)), 6u);
  // "Sorted by track name": its third and fourth leaves are rows 2 and 3.
  Choose(tree, Node(tree, {2, 2}));
  ASSERT_TRUE(WaitUntil([&] { return edit.Selected() == std::vector<int>{2}; }));
  EXPECT_EQ(edit.Text(IDC_EDIT_COUNT), "1");
  Choose(tree, Node(tree, {2, 3}));
  Choose(tree, Node(tree, {2, 2}));
  EXPECT_TRUE(WaitUntil([&] { return edit.Selected() == std::vector<int>{3}; }))
      << "the second click takes row 2 back";

  Choose(tree, Node(tree, {2}));
  Box parent = app.WaitForBox("Information");
  ASSERT_TRUE(parent) << "a group node said nothing";
  EXPECT_EQ(parent.Text, "Clicked a parent!");
  app.Press(parent, IDOK);
  EXPECT_EQ(edit.Selected(), std::vector<int>{3});

  // Escape leaves it open; the close box closes it alone.
  ASSERT_TRUE(tree.Press(IDCANCEL));
  EXPECT_TRUE(tree.Open());
  tree.CloseBox();
  EXPECT_TRUE(tree.WaitClosed());
  EXPECT_TRUE(edit.Open());
}

TEST_F(Edit, AReloadWhileOpenShowsTheNewListWithNoSelection) {
  Start();
  EditDialog edit = OpenEdit();
  ASSERT_TRUE(edit);
  edit.Select({2, 3});
  Dialog tree = OpenTree(edit);
  ASSERT_TRUE(tree);
  // Another program saves the list shorter: the file watcher reloads it.
  ASSERT_TRUE(WaitUntil([&] {
    std::ofstream out(list_, std::ios::binary);
    return static_cast<bool>(out << "#EXTM3U\r\ntrack2.mp3\r\ntrack1.mp3\r\n");
  }));
  // The truncation and the write may each be seen as a change, so the list
  // may be emptied and read twice: wait for the state it settles in.
  const std::string details =
      "1 of 2|track2.mp3|Track 2|Harness|Known Numbers|made by Voltrak|0|0:00:00|";
  EXPECT_TRUE(WaitUntil([&] {
    return edit.Rows() == Names({2, 1}, true) && edit.Details() == details;
  })) << edit.Rows().size();
  EXPECT_TRUE(edit.Selected().empty());
  // The tree follows too: "Sorted by path" has two leaves, its second row 0.
  EXPECT_FALSE(Node(tree, {5, 2}));
  Choose(tree, Node(tree, {5, 1}));
  EXPECT_TRUE(WaitUntil([&] { return edit.Selected() == std::vector<int>{0}; }));
  tree.CloseBox();
  ASSERT_TRUE(tree.WaitClosed());
  ASSERT_TRUE(edit.Press(IDC_EDIT_DOWN));
  EXPECT_EQ(edit.Rows(), Names({1, 2}, true));
}

// A list written with "/", as other systems write them: each entry shows
// its file name, and the File Name field its path as written.
TEST_F(Edit, AListWithSlashesShowsItsFileNames) {
  std::filesystem::create_directories(scratch.Work + "\\music\\Ana");
  WriteText(scratch.Work + "\\music\\Ana\\01 Song.mp3", std::string(3000, 's'));
  list_ = scratch.Work + "\\slash.m3u";
  WriteText(list_, "music/Ana/01 Song.mp3\r\n#EXTINF:5,Two\r\nmusic/Ana/02 Gone.mp3\r\n");
  app_ = std::make_unique<App>(scratch, ("\"" + list_ + "\"").c_str());
  ASSERT_TRUE(app_->WaitForTitle([](const std::string& t) { return StartsWith(t, "slash.m3u"); }));
  EditDialog edit = OpenEdit();
  ASSERT_TRUE(edit);
  EXPECT_EQ(edit.Rows(), (std::vector<std::string>{"01 Song.mp3", "Two"}));
  edit.Select({0});
  EXPECT_EQ(edit.Text(IDC_EDIT_FILE_NAME), "music/Ana/01 Song.mp3");
  edit.CloseBox();
  EXPECT_TRUE(edit.WaitClosed());
}

}  // namespace
}  // namespace e2e
