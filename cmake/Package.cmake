# The Debian package, built by CPack from the install tree (cmake/Install.cmake).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentrel-loader)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program an LED display board over a serial line")
# Debian shows the description as it stands: lines kept under 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "A desktop tool with which an operator programs an LED display board over"
  "a serial line. The board has three sign ports, and each plays an ordered"
  "list of display effects. The operator opens a serial port, picks a sign"
  "port, builds that port's effect list from the board's effect catalogues,"
  "sends it to the board, tries single effects live and programs each port's"
  "capacity."
  ""
  "The lists are kept in a local SQLite database; a database from an older"
  "Access installation is converted on first use."
  ""
  "The package includes zl-board-sim, a board simulator on a pseudo-terminal,"
  "with which the program can be tried without a board.")
# Stripped as Debian's own packages are: symbols, and the compiler's notes.
set(CPACK_STRIP_FILES ON)
# Installing the one component by name makes CPack write its own manifest,
# build/install_manifest_Unspecified.txt, and leave install_manifest.txt to
# an install by hand.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/StripNotes.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The author of the latest commit answers for the package. Outside a git
# checkout it stays unset, and only making the package then fails.
execute_process(COMMAND git log -1 "--format=%an <%ae>"
                WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE ZL_MAINTAINER OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET)
if(ZL_MAINTAINER)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZL_MAINTAINER}")
endif()

# Shared libraries are found by dpkg-shlibdeps. What it cannot see: the
# view asks for Liberation Serif by name (fonts-liberation2); the menus,
# dialogs and status line take the toolkit's default, fontconfig's "Sans
# Serif", which on a system with only Liberation fonts is Liberation Mono
# (fonts-dejavu-core gives it DejaVu Sans); and a native Wayland window needs
# the Wayland platform plugin (qt6-wayland); without it the window still
# opens through XWayland, whose X11 plugin comes with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

# Debian's hardening: the whole symbol table resolved at start, so that it
# can be made read-only.
target_link_options(zentrel-loader PRIVATE LINKER:-z,now)
if(TARGET zl-board-sim)
  target_link_options(zl-board-sim PRIVATE LINKER:-z,now)
endif()

include(CPack)
