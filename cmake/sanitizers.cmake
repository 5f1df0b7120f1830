# LUMICOMB_SANITIZE=address,undefined or LUMICOMB_SANITIZE=thread builds every target with those
# sanitizers, for the checking builds CI runs beside the normal one.
set(LUMICOMB_SANITIZE "" CACHE STRING "Sanitizers for every target: address,undefined or thread")
if(NOT LUMICOMB_SANITIZE)
  return()
endif()

string(REPLACE "," ";" sanitizers "${LUMICOMB_SANITIZE}")
foreach(sanitizer IN LISTS sanitizers)
  if(NOT sanitizer MATCHES "^(address|undefined|thread)$")
    message(FATAL_ERROR "LUMICOMB_SANITIZE: unknown sanitizer '${sanitizer}'")
  endif()
endforeach()
if("thread" IN_LIST sanitizers AND NOT LUMICOMB_SANITIZE STREQUAL "thread")
  message(FATAL_ERROR "LUMICOMB_SANITIZE: thread cannot be combined with another sanitizer")
endif()

# -O1 after the build type's level: quick enough for the tests, and the reports keep their lines.
add_compile_options(-fsanitize=${LUMICOMB_SANITIZE} -g -O1 -fno-omit-frame-pointer)
add_link_options(-fsanitize=${LUMICOMB_SANITIZE})
if("undefined" IN_LIST sanitizers)
  # GCC leaves this one out of "undefined", but a double out of an integer's range is undefined.
  add_compile_options(-fsanitize=float-cast-overflow)
endif()
if(NOT LUMICOMB_SANITIZE STREQUAL "thread")
  # A report fails the test that caused it instead of scrolling past.
  add_compile_options(-fno-sanitize-recover=all)
endif()
# The vector rules' clone resolvers run before ThreadSanitizer is set up.
add_compile_definitions(LUMICOMB_NO_TARGET_CLONES)
