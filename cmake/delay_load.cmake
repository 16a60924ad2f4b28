# The window's and the shell's system libraries are loaded on first use: a
# console run such as `twk version` never calls them, and under Wine loading
# user32 alone takes longer than a small program's whole start. The tool chain
# ships plain import libraries only, so each delay-import library is made here
# from the names its plain one exports.
find_program(TWK_NM ${TOOLCHAIN_PREFIX}-nm REQUIRED)
find_program(TWK_DLLTOOL ${TOOLCHAIN_PREFIX}-dlltool REQUIRED)

# Sets `out_var` to the delay-import libraries of `dlls`, plus the loader they call.
function(twk_delay_import_libraries out_var)
  set(directory ${CMAKE_BINARY_DIR}/delay-import)
  file(MAKE_DIRECTORY ${directory})
  set(libraries)
  foreach(dll IN LISTS ARGN)
    set(library ${directory}/lib${dll}-delay.a)
    if(NOT EXISTS ${library})
      execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
                      OUTPUT_VARIABLE plain OUTPUT_STRIP_TRAILING_WHITESPACE)
      execute_process(COMMAND ${TWK_NM} -g --defined-only ${plain} OUTPUT_VARIABLE symbols)
      string(REGEX MATCHALL "[0-9a-f]+ T [^\n]+" functions "${symbols}")
      list(TRANSFORM functions REPLACE "^[0-9a-f]+ T " "")
      list(JOIN functions "\n" exports)
      file(WRITE ${directory}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
      execute_process(COMMAND ${TWK_DLLTOOL} --input-def ${directory}/${dll}.def --dllname ${dll}.dll
                              --output-delaylib ${library} COMMAND_ERROR_IS_FATAL ANY)
    endif()
    list(APPEND libraries ${library})
  endforeach()
  set(${out_var} ${libraries} delayimp PARENT_SCOPE)
endfunction()
