# The JSON library, header-only, from Debian's nlohmann-json3-dev. Its headers
# live in /usr/include, which must never reach the mingw-w64 compiler: the
# Linux C library's headers there would shadow the Windows ones. A generated
# directory holding only a link to /usr/include/nlohmann is put on the include
# path instead.
set(TWK_NLOHMANN_SOURCE /usr/include/nlohmann)
if(NOT EXISTS ${TWK_NLOHMANN_SOURCE}/json.hpp)
  message(FATAL_ERROR "${TWK_NLOHMANN_SOURCE}/json.hpp is missing: run scripts/setup.sh")
endif()

set(TWK_NLOHMANN_DIR ${CMAKE_BINARY_DIR}/nlohmann-include)
file(MAKE_DIRECTORY ${TWK_NLOHMANN_DIR})
file(CREATE_LINK ${TWK_NLOHMANN_SOURCE} ${TWK_NLOHMANN_DIR}/nlohmann SYMBOLIC)

add_library(nlohmann_json_header INTERFACE)
# A system include: the library's own warnings are not ours to fix.
target_include_directories(nlohmann_json_header SYSTEM INTERFACE ${TWK_NLOHMANN_DIR})
