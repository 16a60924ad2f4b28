# Stamps the build with its UTC date and time (SOURCE_DATE_EPOCH wins when set,
# for reproducible builds) and the short hash of the commit it was built from.
# The stamp is taken when CMake configures; a new commit re-runs the configure step.
set(TWK_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

string(TIMESTAMP TWK_BUILD_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP TWK_BUILD_TIME "%H:%M:%S" UTC)

set(TWK_COMMIT unknown)
find_program(GIT_EXECUTABLE git)
if(GIT_EXECUTABLE AND EXISTS ${CMAKE_SOURCE_DIR}/.git)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short HEAD
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE git_hash OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE git_result ERROR_QUIET)
  if(git_result EQUAL 0 AND NOT git_hash STREQUAL "")
    set(TWK_COMMIT ${git_hash})
  endif()
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path HEAD
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE git_head_file OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path logs/HEAD
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE git_log_file OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  foreach(f ${git_head_file} ${git_log_file})
    if(NOT IS_ABSOLUTE ${f})
      set(f ${CMAKE_SOURCE_DIR}/${f})
    endif()
    if(EXISTS ${f})
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${f})
    endif()
  endforeach()
endif()

configure_file(${CMAKE_SOURCE_DIR}/src/app/build_info.h.in ${TWK_GENERATED_DIR}/build_info.h @ONLY)

# The resources carry the same version: the manifest's assembly identity wants
# four numbers, VERSIONINFO wants them comma-separated.
set(TWK_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
configure_file(${CMAKE_SOURCE_DIR}/src/app/resources/twk.manifest ${TWK_GENERATED_DIR}/twk.manifest @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/src/app/resources/resource_version.h.in
  ${TWK_GENERATED_DIR}/resource_version.h @ONLY)
