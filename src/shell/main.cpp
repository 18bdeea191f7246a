// orvane-nr: the desktop program.
#include "shell/application.h"

int main(int argc, char** argv) { return orvane::RunDesktopProgram(argc, argv); }
