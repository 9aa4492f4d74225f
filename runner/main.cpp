// qd5run: the headless scenario runner.
#include "runner/cli.h"

int main(int argc, char** argv) { return qd5run_main(argc, argv); }
