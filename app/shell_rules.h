// The main window's rules that need no window: the command line, the command
// table, the drop rule, the marquee, help topics and folders. The window only
// moves values between these and its controls, so the native tests reach
// every decision.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "playlist/playlist_loader.h"
#include "resources/resource.h"

namespace voltrak {

// The maker's web address: the marquee button's caption and target.
inline constexpr const char* kMakerWebAddress = MAKER_WEB_ADDRESS;
// The help page installed beside the program.
inline constexpr const char* kHelpPageName = "voltrak-help.html";

// The whole command line is one playlist path. A line that starts with a
// double quote loses that quote and its own last character (the closing
// quote). Nothing is cut: a name too long to open is the load's to refuse,
// as a shorter one would be another file's.
std::string PathFromCommandLine(std::string_view line);

// What the window runs for a command: one handler each, or nothing.
enum class CommandAction : uint8_t {
  kOpen, kReopen, kExploreFolder, kLaunch, kReset, kExit, kAlwaysOnTop, kWarnLoadErrors,
  kWebLink, kMediumList, kDuplicateMode, kPathMode, kFillMode, kPlan, kCapacity, kCreateHtml,
  kSplitLists, kCreateLbl, kCreateCue, kWinAmp, kPlugin, kEdit, kPrint, kCopyClipboard,
  kOptions, kCopyTracks,
  kIgnored,     // a read-out: its commands are dropped
  kNoCommand,   // a control that sends none, named for its help topic
};
inline constexpr size_t kCommandHandlers = static_cast<size_t>(CommandAction::kIgnored);

// One row of the window's command table: everything the window knows of a
// command besides its own work, read by the routing, the drop rule, the
// automatic repeat, the request gate and the help.
struct CommandRow {
  uint32_t Id;
  CommandAction Action;
  bool IsOutput;         // one of the seven output buttons: a drop on it names it to repeat
  bool SetsLastCommand;  // running it keeps it in LastCommand for the repeat
  bool WaitsForLoad;     // changes or reads the list: held back during long work
  bool HelpTopic;        // the help page has a topic for it
};

// The row of `id`, or none: an id the table does not name is the
// "Unimplemented command invoked" box.
const CommandRow* FindCommand(uint32_t id);

// The seven output buttons: a drop on one of them names an output to repeat.
bool IsOutputCommand(uint32_t id);

// The id that an output command leaves in LastCommand, or `current` for a
// command that does not touch it (Open and Reset clear it elsewhere).
uint32_t LastCommandAfter(uint32_t id, uint32_t current);

// LastCommand after a drop. A point in the client area names the control
// under it (`childId`, 0 for empty space); a point outside it names nothing
// and leaves `current`. Either way only one of the seven output buttons is
// kept, anything else becomes 0.
uint32_t LastCommandForDrop(bool inClientArea, uint32_t childId, uint32_t current);

// Requests that replace or change the list must not run inside a load: the
// loads, Reset, Edit, the outputs, the player commands, and closing (which
// would pull the window away from under the load).
bool WaitsForLoad(uint32_t id);

// What the window does once one of its loads has ended.
struct StepsAfterLoad {
  bool Plan = false;            // show the new list's plan
  bool KeepAsLastFile = false;  // open this file at the next start
  uint32_t Repeat = 0;          // the output to run again on the new list, or 0
};
// A load the rewrite took over has none: the rewrite's own load ends it. Any
// other, even one whose file could not be opened, plans, keeps its path when
// that could be opened next time, and repeats the last output when the
// automatic repeat is on.
StepsAfterLoad AfterLoad(const LoadOutcome& outcome, std::string_view path, bool autoRepeat,
                         uint32_t lastCommand);

// The marquee: five texts in turn on button 1020, one step per timer expiry.
inline constexpr uint32_t kMarqueeTexts = 5;
uint32_t NextMarqueeIndex(uint32_t index);
std::string MarqueeText(uint32_t index, std::string_view buildDate, std::string_view buildTime);

// The folder Explore Folder opens: the path up to its last backslash, which
// goes too. Empty when the path holds no backslash: there is no folder to
// show then, and the window opens nothing.
std::string ExploreFolderOf(std::string_view path);

// Whether an id has a topic on the help page.
bool HasHelpTopic(uint32_t id);

// The address the help layer hands to the desktop for a control: a file URL
// of the help page in `programFolder` (a Windows path, with or without a
// final backslash), with the control's id as the anchor when the page has a
// topic for it, else the top of the page.
std::string HelpPageAddress(std::string_view programFolder, uint32_t controlId);

// A program and its parameters, as ShellExecuteA takes them.
struct ProgramCall {
  std::string Program;
  std::string Parameters;
};

// Fills a desktop association's command ("C:\b.exe" -x "%1") with an
// argument: %1 and %L become it; with neither, it is added, quoted. The
// program is the first word, or the quoted text the command starts with.
ProgramCall ExpandAssociationCommand(std::string_view command, std::string_view argument);

}  // namespace voltrak
