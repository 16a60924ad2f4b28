# The Nuklear GUI header: fetched from Debian's glfw3 source package by
# scripts/fetch-nuklear.sh into deps/, never committed. Its hash is checked when
# CMake configures and again before every build of twk_core, so the program is
# only ever built against the one reviewed copy.
set(TWK_NUKLEAR_SHA256 5ca9fd74ca145d96271a8f09679f33ce7d4ac3a460c0bc41d73f5387c9b9f94d)

function(twk_check_nuklear header)
  if(NOT EXISTS ${header})
    message(FATAL_ERROR "${header} is missing: run scripts/setup.sh (or scripts/fetch-nuklear.sh)")
  endif()
  file(SHA256 ${header} actual)
  if(NOT actual STREQUAL TWK_NUKLEAR_SHA256)
    message(FATAL_ERROR "${header} has SHA-256 ${actual}, expected ${TWK_NUKLEAR_SHA256}: "
                        "delete it and run scripts/fetch-nuklear.sh")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  # Build-time check: cmake -DNUKLEAR_HEADER=... -P nuklear.cmake
  twk_check_nuklear(${NUKLEAR_HEADER})
  return()
endif()

set(TWK_NUKLEAR_DIR ${CMAKE_SOURCE_DIR}/deps)
twk_check_nuklear(${TWK_NUKLEAR_DIR}/nuklear.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TWK_NUKLEAR_DIR}/nuklear.h)
# A system include: the library's own warnings are not ours to fix.
include_directories(SYSTEM ${TWK_NUKLEAR_DIR})
add_custom_target(nuklear_header
  COMMAND ${CMAKE_COMMAND} -DNUKLEAR_HEADER=${TWK_NUKLEAR_DIR}/nuklear.h -P ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Checking deps/nuklear.h"
  VERBATIM)
