#pragma once

// Formatted print to standard output; every line of the console front end goes through it.
#if defined(__GNUC__)
__attribute__((format(gnu_printf, 1, 2)))
#endif
void console_printf(const char* format, ...);
