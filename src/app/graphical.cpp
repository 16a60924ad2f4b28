#include "app/entry.h"

// The window front end is not built yet: a graphical run ends at once.
int run_graphical_front_end() { return 0; }
