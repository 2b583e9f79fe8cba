#pragma once
// The learner's edition (VORN_s) wired from the same screens as VORN-T: the
// menu codes of its nine entries, and what only it has (submit, delete as a
// main-menu choice, the trajectory as a main-menu choice).
#include <string>

namespace vorn {

struct App;

inline constexpr int kMaxLearnerNumber = 99999999;  // the learner's number names a file: keep it short

// What the learner's edition keeps for its own screens.
struct LearnerParts {
  // The learner's number: set with the command-line option --learner; it
  // names the submitted file and stands as its program mark. 0 = not set.
  int number = 0;
};

// Menu codes of the learner's entries that VORN-T has not.
namespace learnercode {
inline constexpr int Submit = 6;      // "6 提 出"
inline constexpr int Trajectory = 11; // "5 軌跡動画"
inline constexpr int Delete = 12;     // "8 ﾌｧｲﾙ削除"
}  // namespace learnercode

// Reads a learner's number ("1".."99999999", digits only); false otherwise.
bool parseLearnerNumber(const std::string& text, int& number);

// Fills app.menu with the learner's screens (the editor is wired already).
void wireLearnerScreens(App& app);

}  // namespace vorn
