# Fails when EXE, the generic launcher of TARGET (win32 or win64) with the sample's
# splash picture, is larger than that target's bound. Sizes are exact: any growth past
# the bound is a fault to look at with a link map (bench/link_map_sizes.py).
set(bound_win32 311296)  # 304 KiB
set(bound_win64 327680)  # 320 KiB
if(NOT DEFINED bound_${TARGET})
  message(FATAL_ERROR "check_size: TARGET must be win32 or win64")
endif()
file(SIZE ${EXE} size)
if(size GREATER bound_${TARGET})
  message(FATAL_ERROR "${EXE}: ${size} bytes, more than the ${bound_${TARGET}} of ${TARGET}")
endif()
message(STATUS "${EXE}: ${size} bytes, bound ${bound_${TARGET}}")
