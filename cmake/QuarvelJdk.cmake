# Finds the host JDK (javac, java and the platform-neutral jni.h). The cross
# build uses its jni.h with a Windows jni_md.h of the project's own.
find_program(QUARVEL_JAVAC javac REQUIRED NO_CMAKE_FIND_ROOT_PATH)
find_program(QUARVEL_JAVA java REQUIRED NO_CMAKE_FIND_ROOT_PATH)
get_filename_component(_javac_real "${QUARVEL_JAVAC}" REALPATH)
get_filename_component(_jdk_bin "${_javac_real}" DIRECTORY)
get_filename_component(QUARVEL_JDK_HOME "${_jdk_bin}" DIRECTORY)
set(QUARVEL_JNI_INCLUDE_DIR "${QUARVEL_JDK_HOME}/include")
if(NOT EXISTS "${QUARVEL_JNI_INCLUDE_DIR}/jni.h")
  message(FATAL_ERROR "jni.h not found under ${QUARVEL_JDK_HOME}")
endif()
