# Run by CPack on the files staged for the package: strips the programs and the module as
# Debian's own packages are stripped, symbols and the compiler's notes alike.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  execute_process(
    COMMAND strip --remove-section=.comment --remove-section=.note --strip-unneeded "${file}"
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot strip ${file}")
  endif()
endforeach()
