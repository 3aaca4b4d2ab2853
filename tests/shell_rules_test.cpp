#include "app/shell_rules.h"
#include "support/system_error.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "resources/resource.h"

namespace voltrak {
namespace {

TEST(CommandLine, QuotedAndBareLines) {
  EXPECT_EQ(PathFromCommandLine("\"C:\\Lists\\mix.m3u\""), "C:\\Lists\\mix.m3u");
  // Only the line's last character goes: the inner closing quote stays.
  EXPECT_EQ(PathFromCommandLine("\"C:\\a b.m3u\" more"), "C:\\a b.m3u\" mor");
  EXPECT_EQ(PathFromCommandLine("\""), "");
  EXPECT_EQ(PathFromCommandLine(""), "");
  EXPECT_EQ(PathFromCommandLine("C:\\Lists\\mix.m3u"), "C:\\Lists\\mix.m3u");
}

// A name cut to fit would be another file's: a long one stays whole, for
// the load to refuse.
TEST(CommandLine, NeverCut) {
  std::string longPath(300, 'a');
  EXPECT_EQ(PathFromCommandLine(longPath), longPath);
  EXPECT_EQ(PathFromCommandLine("\"" + longPath + "\""), longPath);
}

TEST(CommandTable, EveryControlHasItsRoute) {
  for (uint32_t id : {IDC_OPEN, IDC_REOPEN, IDC_EXPLORE_FOLDER, IDC_LAUNCH, IDC_RESET, IDC_EXIT,
                      IDC_ALWAYS_ON_TOP, IDC_WARN_LOAD_ERRORS, IDC_MARQUEE, IDC_MEDIUM_LIST,
                      IDC_DUPLICATE_MODE, IDC_PATH_MODE, IDC_FILL_MODE, IDC_RESERVED_SPLIT,
                      IDC_MAXIMUM_VOLUMES, IDC_MEDIUM, IDC_RESERVE, IDC_CREATE_HTML,
                      IDC_SPLIT_LISTS, IDC_CREATE_LBL, IDC_CREATE_CUE, IDC_WINAMP, IDC_PLUGIN,
                      IDC_EDIT, IDC_PRINT, IDC_COPY_CLIPBOARD, IDC_OPTIONS, IDC_COPY_TRACKS}) {
    ASSERT_NE(FindCommand(id), nullptr) << id;
    EXPECT_LT(static_cast<size_t>(FindCommand(id)->Action), kCommandHandlers) << id;
  }
  EXPECT_EQ(FindCommand(IDC_PLAYLIST_TOTAL)->Action, CommandAction::kIgnored);
  EXPECT_EQ(FindCommand(IDC_TOTAL_KB)->Action, CommandAction::kIgnored);
  // Escape and Enter's IDOK, controls that send none, and ids of nothing.
  for (uint32_t id : {1u, 2u, 0u, 1061u, 1006u, 65535u, 40004u}) {
    EXPECT_EQ(FindCommand(id), nullptr) << id;
  }
}

TEST(LastCommand, OnlyFourOutputsSetIt) {
  EXPECT_EQ(LastCommandAfter(IDC_CREATE_HTML, 0), 1034u);
  EXPECT_EQ(LastCommandAfter(IDC_SPLIT_LISTS, 1034), 40002u);
  EXPECT_EQ(LastCommandAfter(IDC_PRINT, 0), 1033u);
  EXPECT_EQ(LastCommandAfter(IDC_COPY_CLIPBOARD, 0), 1031u);
  for (uint32_t id : {IDC_CREATE_CUE, IDC_CREATE_LBL, IDC_COPY_TRACKS, IDC_REOPEN, IDC_EDIT,
                      IDC_MARQUEE}) {
    EXPECT_EQ(LastCommandAfter(id, 1034), 1034u) << id;
  }
}

TEST(LastCommand, DropKeepsOnlyTheSevenOutputButtons) {
  for (uint32_t id : {1031u, 1033u, 1034u, 1037u, 1064u, 40002u, 40006u}) {
    EXPECT_EQ(LastCommandForDrop(true, id, 1033), id);
    // Outside the client area the output named before stays.
    EXPECT_EQ(LastCommandForDrop(false, 0, id), id);
  }
  for (uint32_t id : {0u, 40001u, 40003u, 1036u, 1020u, 1046u, 1005u, 65535u}) {
    EXPECT_EQ(LastCommandForDrop(true, id, 1034), 0u) << id;
    EXPECT_EQ(LastCommandForDrop(false, 1034, id), 0u) << id;
  }
}

TEST(LastCommand, RepeatsAfterEveryLoadTheRewriteDidNotTakeOver) {
  LoadOutcome opened, unopened, noMemory, rewritten;
  opened.Opened = noMemory.Opened = rewritten.Opened = true;
  noMemory.MemoryFailure = true;
  rewritten.RewriteTookOver = true;
  for (const LoadOutcome* outcome : {&opened, &unopened, &noMemory}) {
    const StepsAfterLoad steps = AfterLoad(*outcome, "C:\\mix.m3u", true, 1034);
    EXPECT_TRUE(steps.Plan && steps.KeepAsLastFile);
    EXPECT_EQ(steps.Repeat, 1034u);
    EXPECT_EQ(AfterLoad(*outcome, "C:\\mix.m3u", false, 1034).Repeat, 0u);
  }
  const StepsAfterLoad none = AfterLoad(rewritten, "C:\\mix.m3u", true, 1034);
  EXPECT_FALSE(none.Plan || none.KeepAsLastFile || none.Repeat != 0);
  // A name that could not be opened next time is not kept.
  EXPECT_FALSE(AfterLoad(opened, "", true, 0).KeepAsLastFile);
  EXPECT_FALSE(AfterLoad(opened, std::string(kMaxPathLength + 1, 'n'), true, 0).KeepAsLastFile);
}

TEST(LoadHoldsBack, RequestsThatChangeOrReadTheList) {
  for (uint32_t id : {40001u, 40003u, 1032u, 1036u, 1062u, 1095u, 1004u, 1031u, 1033u, 1034u,
                      1037u, 1064u, 40002u, 40006u}) {
    EXPECT_TRUE(WaitsForLoad(id)) << id;
  }
  // The switches, the planning controls and the shell links go on at once.
  for (uint32_t id : {1011u, 1015u, 1020u, 1035u, 1046u, 1055u, 1056u, 1057u, 1060u, 1007u,
                      1008u, 1063u, 1066u, 1065u, 2u}) {
    EXPECT_FALSE(WaitsForLoad(id)) << id;
  }
}

TEST(Marquee, FiveTextsInTurn) {
  uint32_t index = 0;
  std::string shown[6];
  for (std::string& text : shown) {
    index = NextMarqueeIndex(index);
    text = MarqueeText(index, "Jul  4 2005", "12:40:45");
  }
  EXPECT_EQ(shown[0], "by the Voltrak team");
  EXPECT_EQ(shown[1], kMakerWebAddress);
  EXPECT_EQ(shown[2], "Jul  4 2005");
  EXPECT_EQ(shown[3], "12:40:45");
  EXPECT_EQ(shown[4], "Voltrak");  // fifty seconds after start
  EXPECT_EQ(shown[5], "by the Voltrak team");
}

TEST(ExploreFolder, CutsAtTheLastBackslash) {
  EXPECT_EQ(ExploreFolderOf("C:\\Lists\\Rock\\mix.m3u"), "C:\\Lists\\Rock");
  EXPECT_EQ(ExploreFolderOf("C:\\mix.m3u"), "C:");
  EXPECT_EQ(ExploreFolderOf("mix.m3u"), "");
  EXPECT_EQ(ExploreFolderOf(""), "");
}

TEST(Help, AddressCarriesTheControlId) {
  EXPECT_EQ(HelpPageAddress("Z:\\tmp\\build", IDC_MARQUEE),
            "file:///Z:/tmp/build/voltrak-help.html#1020");
  EXPECT_EQ(HelpPageAddress("C:\\Program Files\\Voltrak\\", IDC_OPEN),
            "file:///C:/Program%20Files/Voltrak/voltrak-help.html#40001");
  // A folder name with URL characters must not end the path early.
  EXPECT_EQ(HelpPageAddress("C:\\a#b%c", IDC_EXIT), "file:///C:/a%23b%25c/voltrak-help.html#1004");
  // Labels have no topic of their own: the page opens at its top.
  EXPECT_EQ(HelpPageAddress("C:\\v", 65535), "file:///C:/v/voltrak-help.html");
}

TEST(Help, AssociationCommandsTakeTheAddress) {
  const std::string page = "file:///C:/v/voltrak-help.html#1004";
  auto call = ExpandAssociationCommand("\"C:\\Web Browser\\b.exe\" --single-argument %1", page);
  EXPECT_EQ(call.Program, "C:\\Web Browser\\b.exe");
  EXPECT_EQ(call.Parameters, "--single-argument " + page);
  call = ExpandAssociationCommand("C:\\b.exe \"%L\"", page);
  EXPECT_EQ(call.Program, "C:\\b.exe");
  EXPECT_EQ(call.Parameters, "\"" + page + "\"");
  call = ExpandAssociationCommand("  C:\\b.exe", page);  // no place for it: added
  EXPECT_EQ(call.Program, "C:\\b.exe");
  EXPECT_EQ(call.Parameters, "\"" + page + "\"");
  EXPECT_EQ(ExpandAssociationCommand("", page).Program, "");
  EXPECT_EQ(ExpandAssociationCommand("\"C:\\unclosed", page).Program, "C:\\unclosed");
}

TEST(Help, EveryControlOfTheWindowHasATopic) {
  for (uint32_t id : {40001u, 40003u, 1062u, 1066u, 1034u, 40002u, 1064u, 40006u, 1033u, 1036u,
                      1037u, 1063u, 1004u, 1032u, 1031u, 1065u, 1011u, 1015u, 1035u, 1020u, 1095u,
                      1005u, 1007u, 1008u, 1013u, 1046u, 1055u, 1056u, 1057u, 1060u, 1061u, 1012u,
                      1014u, 1006u, 1009u}) {
    EXPECT_TRUE(HasHelpTopic(id)) << id;
  }
  EXPECT_FALSE(HasHelpTopic(2));
}

#ifdef VOLTRAK_HELP_PAGE
TEST(Help, PageHoldsATopicForEveryControl) {
  std::ifstream page(VOLTRAK_HELP_PAGE);
  if (!page) GTEST_SKIP() << "help page not reachable from here";
  std::stringstream text;
  text << page.rdbuf();
  for (uint32_t id = 1; id < 65536; ++id) {
    if (!HasHelpTopic(id)) continue;
    EXPECT_NE(text.str().find("id=\"" + std::to_string(id) + "\""), std::string::npos) << id;
  }
}
#endif

TEST(SystemError, CaptionNamesTheSite) {
  EXPECT_EQ(SystemErrorCaption(2, 17, "main_window.cpp"),
            "Error 2 lookup from line 17 of main_window.cpp.");
  EXPECT_EQ(SystemErrorCaption(4294967295u, 9, "/work/x/app/settings.cpp"),
            "Error 4294967295 lookup from line 9 of settings.cpp.");
  EXPECT_EQ(SystemErrorCaption(5, 1, "C:\\src\\a.cpp"), "Error 5 lookup from line 1 of a.cpp.");
}

}  // namespace
}  // namespace voltrak
