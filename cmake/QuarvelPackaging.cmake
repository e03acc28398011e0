# CPack: the Linux build as three .deb packages (one per install component),
# the Windows build as one .zip.
set(CPACK_PACKAGE_NAME quarvel)
set(CPACK_PACKAGE_VENDOR "Quarvel developers")
set(CPACK_PACKAGE_CONTACT "Quarvel developers <quarvel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "JavaPOS setup and native port libraries for receipt printers")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME quarvel-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL libraries simulator)
  if(QUARVEL_QT)
    list(APPEND CPACK_COMPONENTS_ALL programs)
  endif()
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SOURCE quarvel)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dpkg-shlibdeps names the libraries each package links
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  foreach(component libraries programs simulator)
    string(TOUPPER ${component} COMPONENT)
    set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${QUARVEL_PACKAGE_${component}})
  endforeach()

  # What a till that runs only the Java application needs.
  set(CPACK_DEBIAN_LIBRARIES_PACKAGE_SECTION java)
  set(CPACK_DEBIAN_LIBRARIES_PACKAGE_RECOMMENDS "default-jre-headless | java11-runtime-headless")
  set(CPACK_DEBIAN_LIBRARIES_PACKAGE_SUGGESTS ${QUARVEL_PACKAGE_programs})
  set(CPACK_DEBIAN_LIBRARIES_DESCRIPTION
      "native port libraries of a JavaPOS receipt printer service\n PortLinkTcp, PortLinkUsb and PortLinkLpt are the native halves of the JavaPOS\n service of a receipt printer and its cash drawer, reached over TCP, the USB\n printing interface or the parallel port. The Java VM loads them from\n /usr/lib/<triplet>/jni with no library path; their Java classes are in\n /usr/share/java/portlink.jar.")

  set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PROGRAMS_PACKAGE_RECOMMENDS ${QUARVEL_PACKAGE_libraries})
  set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SUGGESTS ${QUARVEL_PACKAGE_simulator})
  set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION
      "JavaPOS configuration of a receipt printer and cash drawer\n quarvel writes and edits the JavaPOS configuration (jpos.xml) of one receipt\n printer and one cash drawer in a window; quarvel-cli does the same from\n scripts, copies a configuration to other tills, checks that a printer\n answers and lists the printers this machine can reach.")

  set(CPACK_DEBIAN_SIMULATOR_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_SIMULATOR_PACKAGE_ARCHITECTURE all)
  set(CPACK_DEBIAN_SIMULATOR_PACKAGE_DEPENDS python3)
  set(CPACK_DEBIAN_SIMULATOR_PACKAGE_SUGGESTS "python3-gi, gir1.2-umockdev-1.0")
  set(CPACK_DEBIAN_SIMULATOR_DESCRIPTION
      "simulated ESC/POS receipt printer for trials and tests\n escpos-simulator answers as a thermal receipt printer with a cash drawer\n does: over TCP, on a pseudo-terminal as a parallel port, or as a mocked USB\n printer, with a control port that opens the cover, ends the paper or\n pauses the printer.")
endif()
include(CPack)
