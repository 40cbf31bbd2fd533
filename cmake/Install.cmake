# What `cmake --install` puts where: the executable, the database that seeds
# each user's own copy, the desktop entry, icons, AppStream metadata, the
# manual page and the Debian documentation files. The Debian package is made
# from the same tree.
include(GNUInstallDirs)

set(ZL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(ZL_APPSTREAM_ID io.github.zentrel_loader.zentrel_loader)
set(ZL_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/zentrel-loader)
# Named after the package, not the CMake project (whose name has an
# underscore), so that the documentation sits where Debian looks for it.
set(ZL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zentrel-loader)

# Read-only installed files stay world-readable whatever the umask of
# whoever builds the package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Installing (and so packaging) needs only these built, not the tests and
# benchmarks: build this target, then install.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
add_custom_target(zl_installed_files)
add_dependencies(zl_installed_files zentrel-loader zl_seed zl_docs)

install(TARGETS zentrel-loader RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The board simulator, so that an operator can try the program without a
# board (where it is built: pseudo-terminals are Linux's).
set(ZL_MAN_PAGES zentrel-loader)
if(TARGET zl-board-sim)
  add_dependencies(zl_installed_files zl-board-sim)
  install(TARGETS zl-board-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND ZL_MAN_PAGES zl-board-sim)
endif()
install(FILES ${ZL_SEED_DB} DESTINATION ${ZL_SHARE_DIR}/seed)

install(FILES ${ZL_PACKAGING_DIR}/zentrel-loader.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZL_PACKAGING_DIR}/${ZL_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${ZL_PACKAGING_DIR}/icons/hicolor
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Manual page and changelog go in compressed, as Debian's policy has them.
set(ZL_GZ_DIR ${CMAKE_BINARY_DIR}/packaging)
set(ZL_CHANGELOG_GZ ${ZL_GZ_DIR}/changelog.gz)
set(zl_gz_pairs "debian/changelog|${ZL_CHANGELOG_GZ}")
set(ZL_MAN_GZ "")
foreach(page IN LISTS ZL_MAN_PAGES)
  list(APPEND ZL_MAN_GZ ${ZL_GZ_DIR}/${page}.1.gz)
  list(APPEND zl_gz_pairs "man/${page}.1|${ZL_GZ_DIR}/${page}.1.gz")
endforeach()
foreach(pair IN LISTS zl_gz_pairs)
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 in)
  list(GET pair 1 out)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZL_GZ_DIR}
    COMMAND ${CMAKE_COMMAND} -DIN=${ZL_PACKAGING_DIR}/${in} -DOUT=${out}
            -P ${PROJECT_SOURCE_DIR}/cmake/GzipFile.cmake
    DEPENDS ${ZL_PACKAGING_DIR}/${in} ${PROJECT_SOURCE_DIR}/cmake/GzipFile.cmake
    VERBATIM)
endforeach()
add_custom_target(zl_docs ALL DEPENDS ${ZL_MAN_GZ} ${ZL_CHANGELOG_GZ})

install(FILES ${ZL_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ZL_PACKAGING_DIR}/debian/copyright ${ZL_CHANGELOG_GZ} DESTINATION ${ZL_DOC_DIR})
