// vornt: the full program. Runs in a window, or headless from a key script
// (writing the screen as text and/or PNG when the script is used up).
#include "apps/main/program_main.h"

int main(int argc, char** argv) { return vorn::programMain(argc, argv, {"vornt", vorn::vorntEdition()}); }
