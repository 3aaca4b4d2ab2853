// What every end-to-end case shares: its own folders and a clean per-user
// registry value, and a clear skip for parts of the window not built yet.
#pragma once

#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

namespace e2e {

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

// Ends the case as skipped while the window lacks the control it needs.
#define REQUIRE_CONTROL(app, id, what)                                       \
  do {                                                                       \
    ASSERT_NE((app).Main(), nullptr) << "no main window: " << (app).State(); \
    if (!(app).Has(id)) GTEST_SKIP() << "no control " << (id) << " (" what ") in the window yet"; \
  } while (0)
