// The qd5run command: options, loading every scenario, running them, the
// report. Exit status 0 all passed, 1 a scenario failed, 2 bad usage or a bad
// scenario file (then nothing is run or written).
#pragma once

int qd5run_main(int argc, char** argv);
