// The game program.
#include "lumora/shell/XApplication.h"

int main(int argc, char** argv) { return LumoraMain(argc, argv); }
