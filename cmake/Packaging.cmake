# What the programs need beside them (manual pages, shell completion, AppStream metadata, the
# package's documents) and the Debian package that holds it all:
#   cmake --build build --target package   ->   build/corvane-host_<version>_<arch>.deb
# Included at the end of the top-level list, when every program target is known, so that a
# program added later (corvane-flash) is picked up here without more lines.
include_guard(GLOBAL)
include(GNUInstallDirs)

set(CORVANE_RELEASE_DATE 2026-12-07)
# The release date in the two forms the manual pages and the package changelog want.
execute_process(COMMAND date -u -d ${CORVANE_RELEASE_DATE} +%s
  OUTPUT_VARIABLE CORVANE_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND date -u -R -d ${CORVANE_RELEASE_DATE}
  OUTPUT_VARIABLE CORVANE_RELEASE_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# The project has no web home yet: the software centre's picture is the README's, at the address
# it will be published under.
set(CORVANE_SCREENSHOT_URL "https://example.org/corvane-host/docs/screenshot.png"
  CACHE STRING "Web address of docs/screenshot.png for the AppStream metadata")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane-Host developers <corvane-host@example.org>")

set(packaging_dir ${CMAKE_SOURCE_DIR}/packaging)
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)

# Manual pages.
include(${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake)
corvane_man_page(corvane-host ${packaging_dir}/man/corvane-host.h2m)
corvane_man_page(corvane-unitsim ${packaging_dir}/man/corvane-unitsim.h2m)
if(TARGET corvane-flash)
  corvane_man_page(corvane-flash ${packaging_dir}/man/corvane-flash.h2m)
  install(FILES ${packaging_dir}/bash-completion/corvane-flash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()

# Software-centre entry.
configure_file(${packaging_dir}/corvane-host.metainfo.xml.in ${packaging_out}/corvane-host.metainfo.xml @ONLY)
install(FILES ${packaging_out}/corvane-host.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Documents: the README with its picture where its link expects it, the copyright statement and
# the changelog (compressed, as Debian wants it).
configure_file(${packaging_dir}/copyright ${packaging_out}/copyright @ONLY)
configure_file(${packaging_dir}/changelog.in ${packaging_out}/changelog @ONLY)
add_custom_command(OUTPUT ${packaging_out}/changelog.gz
  COMMAND gzip -9nkf ${packaging_out}/changelog
  DEPENDS ${packaging_out}/changelog
  VERBATIM)
add_custom_target(package-changelog ALL DEPENDS ${packaging_out}/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${packaging_out}/copyright ${packaging_out}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/docs/screenshot.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane-host)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvane-Host developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends comes from the programs' libraries (dpkg-shlibdeps). What they load at run time is not
# seen there: the Japanese font of the captions, the SVG plugin that draws the icon, and the SQL
# drivers of the production record (SQLite is its default, PostgreSQL a line's shared one).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, libqt6svg6, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "host program of the Corvane serial-line flash programmer")
# The synopsis is the summary; this is the extended description under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "The Corvane is a flash programmer unit for H8, H8S and SH microcontrollers with
four 128 KB pages, connected to a serial port. corvane-host is its desktop
window: it writes Motorola S-record files into the unit's pages (or straight
through to the target) and shows what the pages hold. corvane-unitsim
simulates the unit on a pseudo-terminal, for trying the host without one.")
if(TARGET corvane-flash)
  string(APPEND CPACK_DEBIAN_PACKAGE_DESCRIPTION "
corvane-flash does the same from the command line, for scripts and production
lines.")
endif()
include(CPack)
