// What every end-to-end case shares: its own folders and a clean per-user
// registry value, and a check that fails when a control is missing.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/harness.h"

namespace e2e {

// The last "LastCommand N" trace line the program wrote, or -1.
inline long LastCommandTraced(const Scratch& scratch) {
  const std::string trace = ReadText(scratch.Trace);
  const size_t at = trace.rfind("LastCommand ");
  return at == std::string::npos ? -1 : std::strtol(trace.c_str() + at + 12, nullptr, 10);
}

// How often the program has traced `text` so far.
inline size_t TraceCount(const Scratch& scratch, const std::string& text) {
  const std::string trace = ReadText(scratch.Trace);
  size_t count = 0;
  for (size_t at = trace.find(text); at != std::string::npos; at = trace.find(text, at + 1)) {
    ++count;
  }
  return count;
}

// The clipboard's plain text as any program reads it; empty when it holds
// none.
inline std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
      text = bytes;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// So that a case never reads what an earlier one left.
inline void ClearClipboard() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

// The two boxes of a playlist that could not be opened, each answered with
// OK: its name, then the system's words for the error, whose caption is
// returned (empty when either box did not come).
inline std::string PressCannotOpen(App& app, const std::string& name) {
  Box refused = app.WaitForBox();
  EXPECT_TRUE(refused) << "no report of the unopenable playlist";
  if (!refused) return {};
  EXPECT_EQ(refused.Caption, "Can not open selected file");
  EXPECT_EQ(refused.Text, name);
  app.Press(refused, IDOK);
  Box reason = app.WaitForBox();
  EXPECT_TRUE(reason) << "no system error report";
  if (!reason) return {};
  EXPECT_EQ(reason.Caption.rfind("Error ", 0), 0u) << reason.Caption;
  app.Press(reason, IDOK);
  return reason.Caption;
}

// Turns automatic repeat on through the Options dialog; false when the
// dialog or its switch is missing.
inline bool TurnOnAutomaticRepeat(App& app) {
  bool switched = false;
  app.Run(kOptions, [&](const Box& dialog) {
    for (HWND child = GetWindow(dialog.Window, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (TextOf(child) == "Auto Repeat Last Command") {
        SendMessageA(child, BM_CLICK, 0, 0);
        switched = true;
      }
    }
    app.Press(dialog, switched ? IDOK : IDCANCEL);
  });
  return switched;
}

class VoltrakTest : public testing::Test {
 protected:
  void SetUp() override { StoreAlwaysOnTop(-1); }
  void TearDown() override { StoreAlwaysOnTop(-1); }

  // The four tracks of a known plan: 2000, 2000, 800 and 100 seconds of
  // 3, 2, 4 and 1 KB.
  std::string KnownList(const std::string& name = "mix.m3u") {
    return WritePlaylist(scratch.Work, name, {2000, 2000, 800, 100}, {3, 2, 4, 1});
  }

  Scratch scratch;
};

}  // namespace e2e

// Ends the case as failed when the window, or the control it needs, is missing.
#define REQUIRE_CONTROL(app, id, what)                                       \
  do {                                                                       \
    ASSERT_NE((app).Main(), nullptr) << "no main window: " << (app).State(); \
    ASSERT_TRUE((app).Has(id)) << "no control " << (id) << " (" what ") in the window"; \
  } while (0)
