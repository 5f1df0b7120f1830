# What an installation holds besides the programs and the OpenCV module, and the Debian package
# CPack makes of it (`cpack -G DEB` in the build folder): manual pages written by help2man from
# the programs' own --help, the bash completion lumicomb-cli writes of itself, the desktop entry,
# the icons, AppStream metainfo, the copyright file and the changelog. What is written is made
# by every build, so that none of it can drift from the programs. Sanitizer builds make none of
# it: they are for checking, never for installing.
if(LUMICOMB_SANITIZE)
  return()
endif()

set(LUMICOMB_APP_ID io.github.lumicomb.Lumicomb)
set(LUMICOMB_PACKAGER "The Lumicomb developers <lumicomb@users.noreply.github.com>"
    CACHE STRING "Who builds the package, as its Maintainer field names them")
find_program(HELP2MAN help2man REQUIRED)
string(TIMESTAMP LUMICOMB_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP LUMICOMB_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(made ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${made})

# A program's manual page from its --help, gzipped as Debian keeps them. The help is asked for
# without a display, which the desktop program's --help must not need.
function(lumicomb_manual_page target summary)
  set(page ${made}/${target}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            --unset=QT_QPA_PLATFORM
            ${HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
            --name=${summary} --output=${page} $<TARGET_FILE:${target}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${target}
    COMMENT "Writing the manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}_manual_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
lumicomb_manual_page(lumicomb "merge a stack of photographs into one picture")
lumicomb_manual_page(lumicomb-cli "merge a stack of photographs into one picture file")

add_custom_command(OUTPUT ${made}/lumicomb-cli.bash
  COMMAND sh -c "\"$1\" --bash-completion >\"$2\"" sh $<TARGET_FILE:lumicomb-cli>
          ${made}/lumicomb-cli.bash
  DEPENDS lumicomb-cli
  COMMENT "Writing the bash completion of lumicomb-cli"
  VERBATIM)
add_custom_target(lumicomb-cli_completion ALL DEPENDS ${made}/lumicomb-cli.bash)

configure_file(packaging/${LUMICOMB_APP_ID}.metainfo.xml.in
               ${made}/${LUMICOMB_APP_ID}.metainfo.xml @ONLY)
configure_file(packaging/changelog.in ${made}/changelog @ONLY)
add_custom_command(OUTPUT ${made}/changelog.gz
  COMMAND gzip -9nfk ${made}/changelog
  DEPENDS ${made}/changelog
  VERBATIM)
add_custom_target(lumicomb_changelog ALL DEPENDS ${made}/changelog.gz)

install(FILES ${made}/lumicomb-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME lumicomb-cli)
install(FILES packaging/${LUMICOMB_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${made}/${LUMICOMB_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/lumicomb.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES packaging/lumicomb.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/copyright ${made}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumicomb)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumicomb)
set(CPACK_PACKAGE_VENDOR "The Lumicomb developers")
set(CPACK_PACKAGE_CONTACT ${LUMICOMB_PACKAGER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "merge a stack of photographs into one picture")
# The long description, in lines short enough for a terminal.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Lumicomb merges a stack of same-size photographs into one picture, position"
  "by position, with one of nine blend rules: an average takes the noise out of"
  "a burst, a median removes people walking through a scene, the brightest"
  "values draw star trails. It aligns frames shot by hand first, and keeps 16"
  "bits a channel, colour profiles and metadata."
  "."
  "The desktop program is lumicomb; lumicomb-cli runs the same engine in scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip_package.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries come from the binaries; the windowing plugin is loaded by Qt, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
include(CPack)
