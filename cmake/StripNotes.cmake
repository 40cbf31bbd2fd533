# Run by CPack on the staged files: drops the sections that strip leaves in
# an executable but that nothing at run time reads.
find_program(ZL_STRIP NAMES strip REQUIRED)
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*/bin/*")
if(NOT programs)
  message(FATAL_ERROR "no program staged under ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(p IN LISTS programs)
  execute_process(COMMAND "${ZL_STRIP}" --remove-section=.comment --remove-section=.note "${p}"
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "strip ${p} failed")
  endif()
endforeach()
