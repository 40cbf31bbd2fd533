# Warning flags, per compiler family: ZL_WARNINGS for every target, and
# ZL_STRICT_WARNINGS as well for the program's own sources (src/).
if(MSVC)
  # /W4 covers conversions and shadowing already. The sources are UTF-8.
  set(ZL_WARNINGS /W4 /permissive- /utf-8)
  set(ZL_STRICT_WARNINGS "")
elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(ZL_WARNINGS -Wall -Wextra)
  set(ZL_STRICT_WARNINGS -Wshadow -Wconversion)
else()
  set(ZL_WARNINGS "")
  set(ZL_STRICT_WARNINGS "")
endif()
add_compile_options(${ZL_WARNINGS})
