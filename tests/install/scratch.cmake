# A directory of the test's own under the system's temporary directory, in
# SCRATCH; zl_fail removes it before failing.
if(DEFINED ENV{TMPDIR} AND IS_DIRECTORY "$ENV{TMPDIR}")
  set(tmp_base "$ENV{TMPDIR}")
else()
  set(tmp_base /tmp)
endif()
string(RANDOM LENGTH 12 suffix)
set(SCRATCH "${tmp_base}/zl-test-${suffix}")
file(MAKE_DIRECTORY "${SCRATCH}")

macro(zl_fail)
  file(REMOVE_RECURSE "${SCRATCH}")
  message(FATAL_ERROR ${ARGN})
endmacro()
