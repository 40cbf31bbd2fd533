# 64-bit Windows with Debian's MinGW-w64 (its POSIX-threads variant, which
# has std::thread and std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Executables that carry the MinGW runtime, so nothing has to be put beside
# them; a build on Qt's DLLs, which need the runtime's DLLs anyway, shares
# them instead (-DZL_MINGW_STATIC=OFF).
if(NOT DEFINED ZL_MINGW_STATIC OR ZL_MINGW_STATIC)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()

# Tests, and GoogleTest's listing of them, run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
