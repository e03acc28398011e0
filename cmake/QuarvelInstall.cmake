# Where things go when installed. Linux: programs in bin/, the JNI libraries
# in the folder Debian's JDK searches by default, so System.loadLibrary needs
# no -Djava.library.path. Windows: everything side by side in one folder.
if(NOT WIN32 AND CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  # /usr/local/lib is no folder the JDK searches: install where it looks.
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)
if(NOT WIN32 AND NOT CMAKE_CROSSCOMPILING)
  set(CMAKE_STRIP ${PROJECT_SOURCE_DIR}/cmake/strip_like_dh_strip.sh)
endif()
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

# The Linux packages, by install component: the libraries a till's Java
# application needs (no Qt, no Python), the programs, the simulated printer.
set(QUARVEL_PACKAGE_libraries libportlink-java)
set(QUARVEL_PACKAGE_programs quarvel)
set(QUARVEL_PACKAGE_simulator escpos-simulator)

# quarvel_install_gzipped(SOURCE DESTINATION COMPONENT [NAME]): installs SOURCE
# compressed as Debian wants manual pages and changelogs (gzip -9n, no time
# stamp); a source installed by several components is compressed once.
function(quarvel_install_gzipped source destination component)
  get_filename_component(name ${source} NAME)
  if(ARGC GREATER 3)
    set(name ${ARGV3})
  endif()
  set(out ${CMAKE_BINARY_DIR}/gz/${name}.gz)
  string(MAKE_C_IDENTIFIER "gz_${name}" target)
  if(NOT TARGET ${target})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/gz
      COMMAND gzip -9nc ${source} > ${out}
      DEPENDS ${source})
    add_custom_target(${target} DEPENDS ${out})
    add_dependencies(install_extras ${target})
  endif()
  install(FILES ${out} DESTINATION ${destination} COMPONENT ${component})
endfunction()

# quarvel_install_package_docs(COMPONENT): the copyright and the changelog that
# Debian asks of every package, in the package's own doc folder.
function(quarvel_install_package_docs component)
  set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/${QUARVEL_PACKAGE_${component}})
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/package/copyright DESTINATION ${doc} COMPONENT ${component})
  quarvel_install_gzipped(${PROJECT_SOURCE_DIR}/cmake/package/changelog ${doc} ${component})
  # lintian's false positives, each with the reason it is one.
  set(overrides ${PROJECT_SOURCE_DIR}/cmake/package/lintian/${QUARVEL_PACKAGE_${component}})
  if(EXISTS ${overrides})
    install(FILES ${overrides} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT ${component})
  endif()
endfunction()
