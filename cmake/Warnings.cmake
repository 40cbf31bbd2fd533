# Warning flags, per compiler family: ZL_WARNINGS for every target, and
# ZL_STRICT_WARNINGS as well for the program's own code (src/, tools/).
# With ZL_WERROR, a warning in that code fails the build; the project's
# scripts turn it on, a build by hand elsewhere keeps its warnings as such.
option(ZL_WERROR "Treat warnings in the program's own code (src/, tools/) as errors" OFF)
if(MSVC)
  # /W4 covers conversions and shadowing already. The sources are UTF-8.
  set(ZL_WARNINGS /W4 /permissive- /utf-8)
  set(ZL_STRICT_WARNINGS "")
  set(zl_werror /WX)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(ZL_WARNINGS -Wall -Wextra)
  set(ZL_STRICT_WARNINGS -Wpedantic -Wshadow -Wconversion)
  set(zl_werror -Werror)
else()
  set(ZL_WARNINGS "")
  set(ZL_STRICT_WARNINGS "")
  set(zl_werror "")
endif()
if(ZL_WERROR)
  list(APPEND ZL_STRICT_WARNINGS ${zl_werror})
endif()
add_compile_options(${ZL_WARNINGS})
