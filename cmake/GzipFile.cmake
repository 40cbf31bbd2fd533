# cmake -DIN=FILE -DOUT=FILE.gz -P GzipFile.cmake
# Compresses with the most effort and without the file's name and time, so
# that the same input always gives the same bytes.
find_program(GZIP gzip REQUIRED)
execute_process(COMMAND "${GZIP}" -9n -c "${IN}" OUTPUT_FILE "${OUT}.new" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}.new")
  message(FATAL_ERROR "gzip ${IN} failed")
endif()
file(RENAME "${OUT}.new" "${OUT}")
