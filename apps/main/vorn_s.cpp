// vorn_s: the learner's edition, for a single workstation: the editor, the
// trajectory and its animation, the plotter, printing, the program store and
// submitting a program to a shared folder. No communication.
#include "apps/main/program_main.h"

int main(int argc, char** argv) { return vorn::programMain(argc, argv, {"vorn_s", vorn::learnerEdition()}); }
