#include "cli/console.h"

#include <cstdarg>
#include <cstdio>

void console_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}
