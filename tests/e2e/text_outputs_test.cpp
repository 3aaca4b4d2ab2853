// The list for people from the window: the text on the clipboard, read back
// as another program reads it, and the printout, from the print dialog to
// the text on the page.
#include "tests/e2e/fixture.h"

#include <cstdlib>
#include <sstream>

namespace e2e {
namespace {

class TextOutputs : public VoltrakTest {
 protected:
  void SetUp() override {
    VoltrakTest::SetUp();
    ClearClipboard();
  }
  // The known list, loaded from the command line and planned by time onto
  // CD-R: two volumes of two tracks.
  void Planned(App& app) {
    ASSERT_NE(app.Main(), nullptr) << app.State();
    ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return t.rfind("mix.m3u", 0) == 0; }));
    app.Select(kFillMode, 1);
    ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return t.rfind("mix.m3u - (2/", 0) == 0; }));
  }
};

// The printed PostScript as a PDF's text, read with pdftotext: one line per
// printed line, blanks collapsed. Wine starts a Linux program without a
// handle to wait on, so the text is looked for once it has been moved into
// place whole. Wine's printer driver names a blank and a hyphen by their
// Latin-1 look-alikes, which come back as such.
std::string PrintedText(const std::string& postscript) {
  const std::string pdf = postscript + ".pdf", text = postscript + ".txt";
  std::string line = "Z:\\bin\\sh -c \"gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile=" +
                     pdf + " " + postscript + " && pdftotext -layout " + pdf + " " + text +
                     ".part && mv " + text + ".part " + text + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return "(pdftotext could not be started)";
  }
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  std::string raw;
  if (!WaitUntil([&] { return !(raw = ReadText(WindowsPath(text))).empty(); })) {
    return "(no text from the printout)";
  }
  for (const char* blank : {"\xC2\xA0", "\xC2\xAD"}) {
    for (size_t at = raw.find(blank); at != std::string::npos; at = raw.find(blank, at)) {
      raw.replace(at, 2, blank[1] == '\xA0' ? " " : "-");
    }
  }
  std::istringstream in(raw);
  std::string lines, printed, word;
  while (std::getline(in, printed, '\n')) {
    std::istringstream words(printed);
    std::string joined;
    while (words >> word) joined += (joined.empty() ? "" : " ") + word;
    if (!joined.empty()) lines += joined + "\n";
  }
  return lines;
}

TEST_F(TextOutputs, CopyToClipboardGivesTheNumberedList) {
  App app(scratch, ("\"" + KnownList() + "\"").c_str());
  Planned(app);
  if (HasFatalFailure()) return;
  EXPECT_TRUE(app.Run(kCopyClipboard).empty());
  EXPECT_EQ(ClipboardText(),
            "mix\r\nTotal tracks: 4\r\nTotal time:  1:21:40\r\nAverage time: 20:25\r\n"
            "  1 Harness - Track 1\t33:20\r\n  2 Harness - Track 2\t33:20\r\n"
            "  3 Harness - Track 3\t13:20\r\n  4 Harness - Track 4\t1:40\r\n\r\n\r\n");
  EXPECT_EQ(LastCommandTraced(scratch), kCopyClipboard);
}

TEST_F(TextOutputs, PrintAsksForThePrinterAndPrintsEveryTrack) {
  const char* printout = std::getenv("VOLTRAK_E2E_PRINTOUT");
  if (!printout) GTEST_SKIP() << "no printer: tools/common.sh start_print_server sets one up";
  const std::string file = WindowsPath(printout);
  DeleteFileA(file.c_str());
  App app(scratch, ("\"" + KnownList() + "\"").c_str());
  Planned(app);
  if (HasFatalFailure()) return;

  for (int button : {IDCANCEL, IDOK}) {
    bool finished = false;
    std::vector<Box> boxes =
        app.Run(kPrint, [&](const Box& dialog) { app.Press(dialog, button); }, &finished);
    EXPECT_TRUE(finished);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Caption, "Print");
    EXPECT_EQ(LastCommandTraced(scratch), kPrint);
    if (button == IDCANCEL) {
      EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << "a cancel printed";
    }
  }
  // The printer has the whole document once its trailer is there.
  ASSERT_TRUE(WaitUntil([&] { return ReadText(file).find("%%EOF") != std::string::npos; }))
      << "nothing was printed";
  EXPECT_EQ(PrintedText(printout),
            "1 1 1 33:20 Harness - Track 1\n2 1 2 33:20 Harness - Track 2\n"
            "3 2 1 13:20 Harness - Track 3\n4 2 2 1:40 Harness - Track 4\n");
}

}  // namespace
}  // namespace e2e
