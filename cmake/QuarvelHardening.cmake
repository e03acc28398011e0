# The native build takes Debian's hardening flags from dpkg-buildflags (with
# hardening=+all: fortified functions, stack protector, PIE, RELRO, BIND_NOW),
# so that the tests run what the packages ship. Not with sanitizers, whose
# run-time the fortified functions would bypass.
if(WIN32 OR QUARVEL_SANITIZE OR QUARVEL_FUZZ)
  return()
endif()
find_program(QUARVEL_DPKG_BUILDFLAGS dpkg-buildflags)
if(QUARVEL_DPKG_BUILDFLAGS)
  option(QUARVEL_HARDENING "Build with dpkg-buildflags' hardening flags" ON)
endif()
if(NOT QUARVEL_HARDENING)
  return()
endif()

# quarvel_buildflags(KIND VAR): dpkg-buildflags --get KIND as a list.
function(quarvel_buildflags kind var)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${QUARVEL_DPKG_BUILDFLAGS} --get ${kind}
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${var} ${flags} PARENT_SCOPE)
endfunction()

quarvel_buildflags(CPPFLAGS cppflags)
quarvel_buildflags(CXXFLAGS cxxflags)
quarvel_buildflags(LDFLAGS ldflags)
# -fno-ident: no compiler version in a .comment section of our objects, as dh_strip leaves none.
add_compile_options(${cppflags} ${cxxflags} -fno-ident)
add_link_options(${ldflags})
