#pragma once
// Submit, the learner's edition's hand-in: a framed menu of the shared
// folders from "UsFolder"; the program is written into the chosen folder as
// "<learner's number>.wf" with the ".wf" export writer, the learner's number
// standing as the file's program mark. The program in memory is unchanged.
#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "shell/session.h"

namespace vorn {

class ProgramBuffer;

struct SubmitContext {
  Session& session;
  const ProgramBuffer& buffer;   // the program handed in
  int learner = 0;               // the learner's number; 0 = not set (nothing can be handed in)
  // The eight trajectory settings a ".wf" file carries.
  std::function<std::array<float, 8>()> exportSettings;
};

// The file a submit to folder writes: "<learner>.wf" in it ("" = the working directory).
std::string submitFileName(int learner);

// How a submit ended.
enum class SubmitOutcome { Empty, NoLearner, Left, Submitted };

// Runs the screen until the program was handed in, or Esc / a click off the
// menu; then erases its frame. Write failures go to the recovery screen.
SubmitOutcome submitScreen(SubmitContext& context);

}  // namespace vorn
