# Fails when a source file includes a folder above its own. The folders stand in
# floors: platform/ on nothing, core/ on platform/, then runtime/ (finding a Java
# runtime), one_file/ (the archives a one-file launcher carries), archive/ (the start-up
# archive) and hosting/ (the machine), each on those below it; splash/ on core/ and
# platform/ alone; service/ and bench/ on hosting/ and what is below it, tools/ on
# service/ as well; the program in launcher/ on all of them. Tests (foo_test.cpp, tests/) may include what they drive.
#
#   cmake -DSOURCE_DIR=<project> -P cmake/check_layers.cmake

cmake_minimum_required(VERSION 3.25)

# For each folder, the folders its files may include (its own among them).
set(allowed_platform platform)
set(allowed_core platform core)
set(allowed_runtime platform core runtime)
set(allowed_one_file platform core runtime one_file)
set(allowed_archive platform core runtime one_file archive)
set(allowed_hosting platform core runtime one_file archive hosting)
set(allowed_splash platform core splash)
set(allowed_service platform core runtime one_file archive hosting service)
set(allowed_tools platform core runtime one_file archive hosting service tools)
set(allowed_bench platform core runtime one_file archive hosting bench)
set(allowed_launcher platform core runtime one_file archive hosting service splash launcher)

set(faults "")
foreach(folder platform core runtime one_file archive hosting splash service tools bench launcher)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.c ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    if(source MATCHES "_test\\.cpp$")
      continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" target "${line}")
      if(NOT target IN_LIST allowed_${folder})
        string(APPEND faults "  ${source}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Includes that run up a floor:\n${faults}")
endif()
