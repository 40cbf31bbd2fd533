if(EXISTS "${OUT}")
  return()
endif()
# EMULATOR runs a cross-built MAKEDB (Wine for Windows); empty otherwise.
execute_process(COMMAND ${EMULATOR} "${MAKEDB}" "${OUT}" "${SQL}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "could not make ${OUT}")
endif()
