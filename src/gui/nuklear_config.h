#pragma once
// The one place that configures the Nuklear header: every GUI file includes
// it from here, so all of them (and the one implementation) agree on its types.

#define NK_INCLUDE_FIXED_TYPES
#define NK_INCLUDE_DEFAULT_ALLOCATOR
#include <nuklear.h>
