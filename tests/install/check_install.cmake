# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DVERSION=... -DMAKEDB=... -DAPPSTREAM_ID=...
#       -DBOARD_SIM=ON|OFF -P check_install.cmake
include(${CMAKE_CURRENT_LIST_DIR}/scratch.cmake)

set(prefix "${SCRATCH}/prefix")
# Through the component, so that build/install_manifest.txt keeps telling
# what an install by hand put where.
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
                        --component Unspecified
                OUTPUT_QUIET RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  zl_fail("cmake --install failed")
endif()

# Exactly these files: a missing rule, or a build product that leaks into
# the installation (a test, the operator's working Data.mdb), both show.
set(expected
  bin/zentrel-loader
  share/applications/zentrel-loader.desktop
  share/doc/zentrel-loader/changelog.gz
  share/doc/zentrel-loader/copyright
  share/metainfo/${APPSTREAM_ID}.metainfo.xml
  share/man/man1/zentrel-loader.1.gz
  share/zentrel-loader/seed/Data.mdb
  share/icons/hicolor/scalable/apps/zentrel-loader.svg)
if(BOARD_SIM)
  list(APPEND expected bin/zl-board-sim share/man/man1/zl-board-sim.1.gz)
endif()
set(png_sizes 16 32 48 64 128 256)
foreach(s IN LISTS png_sizes)
  list(APPEND expected share/icons/hicolor/${s}x${s}/apps/zentrel-loader.png)
endforeach()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${prefix}" "${prefix}/*")
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
  zl_fail("installed: ${installed}\nexpected: ${expected}")
endif()

set(programs zentrel-loader)
set(gz_pairs "share/man/man1/zentrel-loader.1.gz|packaging/man/zentrel-loader.1"
             "share/doc/zentrel-loader/changelog.gz|packaging/debian/changelog")
if(BOARD_SIM)
  list(APPEND programs zl-board-sim)
  list(APPEND gz_pairs "share/man/man1/zl-board-sim.1.gz|packaging/man/zl-board-sim.1")
endif()
foreach(program IN LISTS programs)
  execute_process(COMMAND test -x "${prefix}/bin/${program}" RESULT_VARIABLE not_exec)
  if(not_exec)
    zl_fail("bin/${program} is not executable")
  endif()
endforeach()

# The seed is the database as data.sql makes it, whatever an operator has
# done to the working copy in the build tree.
execute_process(COMMAND "${MAKEDB}" "${SCRATCH}/fresh.mdb" "${SOURCE_DIR}/data/data.sql"
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  zl_fail("zl-makedb failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                "${SCRATCH}/fresh.mdb" "${prefix}/share/zentrel-loader/seed/Data.mdb"
                RESULT_VARIABLE differ)
if(differ)
  zl_fail("the installed Data.mdb is not the one data/data.sql makes")
endif()

# Compressed files: no name or time in the gzip header (the same bytes at
# every build), and the whole of their source inside.
foreach(pair IN LISTS gz_pairs)
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 gz)
  list(GET pair 1 src)
  file(READ "${prefix}/${gz}" head LIMIT 10 HEX)
  string(SUBSTRING "${head}" 0 16 magic_flags_time)
  if(NOT magic_flags_time STREQUAL "1f8b080000000000")
    zl_fail("${gz}: gzip header ${head} carries a name or a time")
  endif()
  execute_process(COMMAND gzip -dc "${prefix}/${gz}" OUTPUT_VARIABLE unpacked RESULT_VARIABLE rc)
  file(READ "${SOURCE_DIR}/${src}" original)
  if(NOT rc EQUAL 0 OR NOT unpacked STREQUAL original)
    zl_fail("${gz} is not ${src} compressed")
  endif()
endforeach()

# Each PNG is as large as the folder it sits in says.
foreach(s IN LISTS png_sizes)
  file(READ "${prefix}/share/icons/hicolor/${s}x${s}/apps/zentrel-loader.png" ihdr
       OFFSET 16 LIMIT 8 HEX)
  math(EXPR hex_size "${s}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${hex_size}" 2 -1 digits)
  string(LENGTH "${digits}" n)
  math(EXPR pad "8 - ${n}")
  string(REPEAT "0" ${pad} zeros)
  if(NOT ihdr STREQUAL "${zeros}${digits}${zeros}${digits}")
    zl_fail("the ${s}x${s} icon says it is ${ihdr} (width, height)")
  endif()
endforeach()

# The desktop entry starts the installed program with the installed icon,
# and the AppStream file names that desktop entry and its own file name.
file(STRINGS "${prefix}/share/applications/zentrel-loader.desktop" exec REGEX "^Exec=")
string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" exec "${exec}")
if(NOT EXISTS "${prefix}/bin/${exec}")
  zl_fail("the desktop entry runs ${exec}, which is not installed")
endif()
file(STRINGS "${prefix}/share/applications/zentrel-loader.desktop" icon REGEX "^Icon=")
string(REGEX REPLACE "^Icon=" "" icon "${icon}")
if(NOT EXISTS "${prefix}/share/icons/hicolor/scalable/apps/${icon}.svg")
  zl_fail("the desktop entry's icon ${icon} is not installed")
endif()
file(READ "${prefix}/share/metainfo/${APPSTREAM_ID}.metainfo.xml" meta)
string(REGEX MATCH "<id>([^<]*)</id>" _ "${meta}")
if(NOT CMAKE_MATCH_1 STREQUAL APPSTREAM_ID)
  zl_fail("the AppStream id is ${CMAKE_MATCH_1}, its file is named for ${APPSTREAM_ID}")
endif()
string(REGEX MATCH "<launchable type=\"desktop-id\">([^<]*)</launchable>" _ "${meta}")
if(NOT EXISTS "${prefix}/share/applications/${CMAKE_MATCH_1}")
  zl_fail("the AppStream file launches ${CMAKE_MATCH_1}, which is not installed")
endif()

# Every place that states the version states the project's.
string(REGEX MATCH "<release version=\"([^\"]*)\"" _ "${meta}")
set(metainfo_version "${CMAKE_MATCH_1}")
file(STRINGS "${SOURCE_DIR}/packaging/man/zentrel-loader.1" th REGEX "^\\.TH ")
string(REGEX MATCH "\"zentrel-loader ([^\"]*)\"" _ "${th}")
set(man_version "${CMAKE_MATCH_1}")
file(STRINGS "${SOURCE_DIR}/packaging/man/zl-board-sim.1" th REGEX "^\\.TH ")
string(REGEX MATCH "\"zentrel-loader ([^\"]*)\"" _ "${th}")
set(simulator_man_version "${CMAKE_MATCH_1}")
file(STRINGS "${SOURCE_DIR}/packaging/debian/changelog" top LIMIT_COUNT 1)
string(REGEX MATCH "^zentrel-loader \\(([^)]*)\\)" _ "${top}")
set(changelog_version "${CMAKE_MATCH_1}")
foreach(where metainfo man simulator_man changelog)
  if(NOT ${where}_version STREQUAL VERSION)
    zl_fail("the ${where} says version '${${where}_version}', the project ${VERSION}")
  endif()
endforeach()

file(REMOVE_RECURSE "${SCRATCH}")
