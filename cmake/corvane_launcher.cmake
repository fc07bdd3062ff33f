# add_corvane_launcher: makes an application's launcher at build time with
# corvane-make, from a configuration file and the generic launcher of a target.
#
#   include(cmake/corvane_launcher.cmake)
#   add_corvane_launcher(NAME quillmark_exe
#     CONFIG   quillmark.toml              # relative paths: to the calling CMakeLists.txt
#     TARGET   win32                       # win32, win64 or linux
#     LAUNCHER /path/to/corvane.exe        # the generic launcher of that target
#     [BITMAP  splash.bmp]                 # the splash picture (Windows targets)
#     [ICON    quillmark.ico]              # the application icon (Windows targets)
#     OUTPUT   ${CMAKE_CURRENT_BINARY_DIR}/Quillmark.exe)
#
# NAME becomes a target (built by default) that depends on the output. The tool is
# the corvane-make target of this project when it builds for the host; otherwise
# the program that CORVANE_MAKE names (found in the bin/ directory of the release
# bundle that holds this file, else on the PATH). The LAUNCHER may be a file or a
# target of this project.
set(CORVANE_BUNDLE_BIN ${CMAKE_CURRENT_LIST_DIR}/../bin)
function(add_corvane_launcher)
  cmake_parse_arguments(arg "" "NAME;CONFIG;TARGET;LAUNCHER;BITMAP;ICON;OUTPUT" "" ${ARGN})
  foreach(required NAME CONFIG TARGET LAUNCHER OUTPUT)
    if(NOT arg_${required})
      message(FATAL_ERROR "add_corvane_launcher: ${required} is required")
    endif()
  endforeach()
  if(NOT arg_TARGET MATCHES "^(win32|win64|linux)$")
    message(FATAL_ERROR "add_corvane_launcher: TARGET must be win32, win64 or linux")
  endif()

  if(TARGET corvane-make AND NOT CMAKE_CROSSCOMPILING)
    set(tool $<TARGET_FILE:corvane-make>)
    set(tool_depends corvane-make)
  else()
    find_program(CORVANE_MAKE corvane-make HINTS ${CORVANE_BUNDLE_BIN} REQUIRED)
    set(tool ${CORVANE_MAKE})
    set(tool_depends ${CORVANE_MAKE})
  endif()
  # The build runs in the build directory: relative inputs are the caller's sources,
  # a relative output lies in the caller's build directory.
  foreach(path CONFIG BITMAP ICON)
    if(arg_${path})
      get_filename_component(arg_${path} ${arg_${path}} ABSOLUTE
        BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    endif()
  endforeach()
  get_filename_component(arg_OUTPUT ${arg_OUTPUT} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  if(TARGET ${arg_LAUNCHER})
    set(launcher $<TARGET_FILE:${arg_LAUNCHER}>)
  else()
    get_filename_component(launcher ${arg_LAUNCHER} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    set(arg_LAUNCHER ${launcher})
  endif()

  set(command ${tool} --config ${arg_CONFIG} --target ${arg_TARGET} --launcher ${launcher}
              --output ${arg_OUTPUT})
  set(depends ${tool_depends} ${arg_CONFIG} ${arg_LAUNCHER})
  foreach(artwork BITMAP ICON)
    if(arg_${artwork})
      string(TOLOWER ${artwork} option)
      list(APPEND command --${option} ${arg_${artwork}})
      list(APPEND depends ${arg_${artwork}})
    endif()
  endforeach()
  add_custom_command(OUTPUT ${arg_OUTPUT} COMMAND ${command} DEPENDS ${depends}
    COMMENT "Making launcher ${arg_OUTPUT}" VERBATIM)
  add_custom_target(${arg_NAME} ALL DEPENDS ${arg_OUTPUT})
endfunction()
