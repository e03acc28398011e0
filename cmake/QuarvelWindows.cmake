# What the Windows build ships besides its binaries: a version resource in
# each, the Java classes, a short README and the licence, and the MSI.

# quarvel_version_resource(TARGET DESCRIPTION): gives TARGET's .exe or .dll a
# version resource with the project's version, DESCRIPTION and its file name.
function(quarvel_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  set(QUARVEL_RC_NAME ${target})
  set(QUARVEL_RC_DESCRIPTION "${description}")
  if(type STREQUAL "SHARED_LIBRARY")
    set(QUARVEL_RC_TYPE VFT_DLL)
    set(QUARVEL_RC_FILE ${target}.dll)
  else()
    set(QUARVEL_RC_TYPE VFT_APP)
    set(QUARVEL_RC_FILE ${target}.exe)
  endif()
  set(rc ${CMAKE_BINARY_DIR}/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

if(NOT WIN32)
  return()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/cmake/package/README-windows.txt DESTINATION ${QUARVEL_INSTALL_BIN}
        RENAME README.txt COMPONENT programs)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/package/copyright DESTINATION ${QUARVEL_INSTALL_BIN} RENAME LICENSE.txt
        COMPONENT programs)

# The MSI: `cmake --build BUILD --target msi` stages a stripped install of the
# build and packs it with wixl (Debian's wixl package) as
# BUILD/quarvel-VERSION-x64.msi.
find_program(QUARVEL_WIXL wixl)
if(QUARVEL_WIXL)
  set(stage ${CMAKE_BINARY_DIR}/msi-stage)
  set(msi ${CMAKE_BINARY_DIR}/quarvel-${PROJECT_VERSION}-x64.msi)
  add_custom_target(msi
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${stage} --strip
    # wixl takes the files' paths relative to where it runs.
    COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${QUARVEL_WIXL} -a x64 -D Version=${PROJECT_VERSION} -D StageDir=.
            -o ${msi} ${PROJECT_SOURCE_DIR}/cmake/package/quarvel.wxs
    COMMENT "Packing ${msi}"
    VERBATIM)
  add_dependencies(msi Quarvel quarvel-cli PortLinkTcp PortLinkUsb PortLinkLpt install_extras)
endif()
