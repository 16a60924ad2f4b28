#pragma once
// The line under the log: what the program is doing or holds, and when the
// last scan finished.

#include "gui/nuklear_config.h"

#include <string>

struct StatusLine {
    std::string text;
    nk_color colour;
};

// Composed afresh every frame from the shared state.
StatusLine gui_compose_status_line();
