# cmake -DPYTHON=... -DSOURCE_DIR=... -P check_icons.cmake
include(${CMAKE_CURRENT_LIST_DIR}/scratch.cmake)

set(committed "${SOURCE_DIR}/packaging/icons/hicolor")
execute_process(COMMAND "${PYTHON}" "${SOURCE_DIR}/packaging/icons/make_icons.py" "${SCRATCH}"
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  zl_fail("make_icons.py failed")
endif()
file(GLOB_RECURSE drawn RELATIVE "${SCRATCH}/hicolor" "${SCRATCH}/hicolor/*")
file(GLOB_RECURSE kept RELATIVE "${committed}" "${committed}/*")
list(SORT drawn)
list(SORT kept)
if(NOT drawn STREQUAL kept)
  zl_fail("the script draws ${drawn}, the repository holds ${kept}")
endif()
foreach(f IN LISTS drawn)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${SCRATCH}/hicolor/${f}" "${committed}/${f}"
                  RESULT_VARIABLE differ)
  if(differ)
    zl_fail("${f} is not what make_icons.py draws: run it and commit the result")
  endif()
endforeach()
file(REMOVE_RECURSE "${SCRATCH}")
