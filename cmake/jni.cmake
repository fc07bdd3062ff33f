# The JNI declarations: the JDK's jni.h with the machine-dependent jni_md.h of the
# target. Link `corvane_jni` to get both include directories in the right order.
#
# For Windows targets hosting/jni/win32 comes first and the JDK's own platform
# subdirectory stays off the path, so that jni.h finds the Windows jni_md.h (stdcall,
# dllexport/dllimport). Elsewhere the JDK's platform subdirectory supplies it.
if(TARGET corvane_jni)
  return()
endif()

find_path(CORVANE_JNI_INCLUDE_DIR jni.h
  PATHS $ENV{JAVA_HOME}/include
        /usr/lib/jvm/default-java/include
        /usr/lib/jvm/java-17-openjdk-amd64/include
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT CORVANE_JNI_INCLUDE_DIR)
  message(FATAL_ERROR "jni.h not found: install a JDK (default-jdk-headless) or set JAVA_HOME")
endif()

add_library(corvane_jni INTERFACE)
if(WIN32)
  get_filename_component(corvane_jni_md_dir ${CMAKE_CURRENT_LIST_DIR}/../hosting/jni/win32
    ABSOLUTE)
  target_include_directories(corvane_jni INTERFACE
    ${corvane_jni_md_dir}
    ${CORVANE_JNI_INCLUDE_DIR})
else()
  target_include_directories(corvane_jni INTERFACE
    ${CORVANE_JNI_INCLUDE_DIR}
    ${CORVANE_JNI_INCLUDE_DIR}/linux)
endif()
