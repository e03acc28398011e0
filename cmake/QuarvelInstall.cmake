# Where things go when installed. Linux: programs in bin/, the JNI libraries
# in the folder Debian's JDK searches by default, so System.loadLibrary needs
# no -Djava.library.path. Windows: everything side by side in one folder.
include(GNUInstallDirs)
if(WIN32)
  set(QUARVEL_INSTALL_BIN .)
  set(QUARVEL_INSTALL_JNI .)
else()
  set(QUARVEL_INSTALL_BIN ${CMAKE_INSTALL_BINDIR})
  set(QUARVEL_INSTALL_JNI ${CMAKE_INSTALL_LIBDIR}/jni)
endif()
