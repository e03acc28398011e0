# Where things go when installed. Linux: programs in bin/, the JNI libraries
# in the folder Debian's JDK searches by default, so System.loadLibrary needs
# no -Djava.library.path. Windows: everything side by side in one folder.
if(NOT WIN32 AND CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  # /usr/local/lib is no folder the JDK searches: install where it looks.
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)
if(WIN32)
  set(QUARVEL_INSTALL_BIN .)
  set(QUARVEL_INSTALL_JNI .)
else()
  set(QUARVEL_INSTALL_BIN ${CMAKE_INSTALL_BINDIR})
  set(QUARVEL_INSTALL_JNI ${CMAKE_INSTALL_LIBDIR}/jni)
endif()

# Files made only to be installed (manual pages, changelog, the jar) hang off
# one target, so a packaging build names it instead of each.
add_custom_target(install_extras ALL)

# quarvel_install_gzipped(SOURCE DESTINATION [NAME]): installs SOURCE compressed
# as Debian wants manual pages and changelogs (gzip -9n, no time stamp).
function(quarvel_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  if(ARGC GREATER 2)
    set(name ${ARGV2})
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/gz/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/gz
    COMMAND gzip -9nc ${source} > ${out}
    DEPENDS ${source})
  string(MAKE_C_IDENTIFIER "gz_${name}" target)
  add_custom_target(${target} DEPENDS ${out})
  add_dependencies(install_extras ${target})
  install(FILES ${out} DESTINATION ${destination})
endfunction()
