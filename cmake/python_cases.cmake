# Adds one ctest test per "def test_..." of a Python unittest case file:
#
#   corvane_python_cases(FILE f.py CLASS Name PREFIX p LABEL l [TIMEOUT s]
#                        [LOCK resource] ENVIRONMENT "A=1;B=2")
find_program(PYTHON3 python3 REQUIRED)

function(corvane_python_cases)
  cmake_parse_arguments(arg "" "FILE;CLASS;PREFIX;LABEL;TIMEOUT;LOCK" "ENVIRONMENT" ${ARGN})
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 180)
  endif()
  set(path ${CMAKE_CURRENT_SOURCE_DIR}/${arg_FILE})
  file(STRINGS ${path} lines REGEX "^    def test_")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^    def (test_[a-z0-9_]+).*" "\\1" case "${line}")
    set(name ${arg_PREFIX}.${case})
    add_test(NAME ${name} COMMAND ${PYTHON3} ${path} ${arg_CLASS}.${case})
    set_tests_properties(${name} PROPERTIES LABELS ${arg_LABEL} TIMEOUT ${arg_TIMEOUT}
      ENVIRONMENT "${arg_ENVIRONMENT}")
    if(arg_LOCK)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${arg_LOCK})
    endif()
  endforeach()
endfunction()
