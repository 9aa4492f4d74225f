// Placeholder until the run screen lands.
#include "screens/run_screen.h"
void run_screen() {}
