# corvane_man_page(<target> <include file>): the section 1 manual page of a program, made at
# build time by help2man from the program's own --help and --version plus the include file
# (NAME and what --help cannot say: ports, files, exit statuses), compressed as Debian wants
# it, and installed. The page is remade whenever the program or the include file changes.
include_guard(GLOBAL)
include(GNUInstallDirs)
find_program(CORVANE_HELP2MAN help2man REQUIRED)
find_program(CORVANE_GZIP gzip REQUIRED)

function(corvane_man_page target include_file)
  get_filename_component(include_file "${include_file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  set(page "${CMAKE_BINARY_DIR}/man/${target}.1")
  add_custom_command(OUTPUT "${page}.gz"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/man"
    # The release date, not the build date, so that the page is the same on every build;
    # no display, so that a window program shows it answers without one; UTF-8 for the message
    # texts of the include files.
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            SOURCE_DATE_EPOCH=${CORVANE_RELEASE_EPOCH}
            "${CORVANE_HELP2MAN}" --no-info --locale=C.UTF-8 --section=1 --manual=Corvane-Host
            "--source=Corvane-Host ${PROJECT_VERSION}" "--include=${include_file}"
            "--output=${page}" "$<TARGET_FILE:${target}>"
    COMMAND "${CORVANE_GZIP}" -9nf "${page}"
    DEPENDS ${target} "${include_file}"
    COMMENT "Manual page ${target}(1)"
    VERBATIM)
  add_custom_target(${target}-man ALL DEPENDS "${page}.gz")
  install(FILES "${page}.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
