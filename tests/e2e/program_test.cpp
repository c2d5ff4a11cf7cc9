#include "program_test.h"

namespace e2e {

void ProgramTest::TearDown() {
  if (!program_) return;
  if (const std::string problem = CloseProblem(*program_); !problem.empty())
    ADD_FAILURE() << problem;
}

Program& ProgramTest::Start() {
  program_.emplace(appData_.Path());
  return *program_;
}

Program& ProgramTest::Restart() {
  if (program_) {
    if (const std::string problem = CloseProblem(*program_); !problem.empty())
      ADD_FAILURE() << problem;
    program_.reset();
  }
  return Start();
}

}  // namespace e2e
