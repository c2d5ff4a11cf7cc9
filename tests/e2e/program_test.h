// The fixture of end-to-end tests that start the program: an APPDATA folder of its own, the
// program started on it, and closed at the end of the test.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "harness.h"

namespace e2e {

// A test that starts the program with an APPDATA folder of its own, and closes it at the end,
// failing when it did not end well.
class ProgramTest : public testing::Test {
 protected:
  void TearDown() override;
  Program& Start();
  Program& App() { return *program_; }
  // Closes the program (failing when it did not end well) and starts it again on the same
  // settings.
  Program& Restart();

  TempDir appData_;
  std::optional<Program> program_;
};

}  // namespace e2e
