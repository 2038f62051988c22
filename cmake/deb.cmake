# The Debian package's layout, installed only as the component "deb", which plain
# `cmake --install` leaves out: the portable folder stays the default.
#
#   /usr/lib/tavir/{tavir,tavir-cli,dane/}   the program finds dane/ beside its real path
#   /usr/bin/tavir, /usr/bin/tavir-cli       symbolic links to them
#   /usr/share/{applications,icons,metainfo,man,doc/tavir,bash-completion/completions}
#
# `cd build && cpack -G DEB` packs it; cmake/cpack_config.cmake picks the component.

set(_deb ${CMAKE_BINARY_DIR}/deb)
set(_deb_source ${CMAKE_SOURCE_DIR}/resources/deb)
find_program(TAVIR_GZIP gzip REQUIRED)

install(TARGETS ${_tavir_programs} RUNTIME DESTINATION lib/tavir COMPONENT deb EXCLUDE_FROM_ALL)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/dane DESTINATION lib/tavir COMPONENT deb EXCLUDE_FROM_ALL
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        PATTERN "TaViR.txt*" EXCLUDE
        PATTERN ".*" EXCLUDE
        PATTERN "*~" EXCLUDE)

# Links relative to /usr/bin, so that they hold wherever the root is mounted.
file(MAKE_DIRECTORY ${_deb}/bin)
foreach(program IN LISTS _tavir_programs)
  file(CREATE_LINK ../lib/tavir/${program} ${_deb}/bin/${program} SYMBOLIC)
  install(FILES ${_deb}/bin/${program} DESTINATION bin COMPONENT deb EXCLUDE_FROM_ALL)
endforeach()

# Compressed as Debian wants them: gzip -9, no name or time stamp inside.
set(_deb_compressed)
function(tavir_deb_gzip source output)
  cmake_path(GET output PARENT_PATH folder)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${TAVIR_GZIP} -9 -n -c ${source} > ${output}
    DEPENDS ${source} VERBATIM)
  set(_deb_compressed ${_deb_compressed} ${output} PARENT_SCOPE)
endfunction()

foreach(page tavir tavir-cli)
  if(page STREQUAL "tavir" AND NOT TAVIR_BUILD_GUI)
    continue()
  endif()
  tavir_deb_gzip(${_deb_source}/man/${page}.1 ${_deb}/man/${page}.1.gz)
  tavir_deb_gzip(${_deb_source}/man/pl/${page}.1 ${_deb}/man/pl/${page}.1.gz)
  install(FILES ${_deb}/man/${page}.1.gz DESTINATION share/man/man1
          COMPONENT deb EXCLUDE_FROM_ALL)
  install(FILES ${_deb}/man/pl/${page}.1.gz DESTINATION share/man/pl/man1
          COMPONENT deb EXCLUDE_FROM_ALL)
endforeach()
tavir_deb_gzip(${_deb_source}/changelog ${_deb}/changelog.Debian.gz)
add_custom_target(deb_files ALL DEPENDS ${_deb_compressed})
install(FILES ${_deb}/changelog.Debian.gz ${_deb_source}/copyright DESTINATION share/doc/tavir
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${_deb_source}/lintian-overrides DESTINATION share/lintian/overrides RENAME tavir
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/resources/bash-completion/tavir-cli
        DESTINATION share/bash-completion/completions COMPONENT deb EXCLUDE_FROM_ALL)

if(TAVIR_BUILD_GUI)
  set(TAVIR_DESKTOP_EXEC tavir)
  configure_file(${CMAKE_SOURCE_DIR}/resources/tavir.desktop.in ${_deb}/tavir.desktop @ONLY)
  install(FILES ${_deb}/tavir.desktop DESTINATION share/applications
          COMPONENT deb EXCLUDE_FROM_ALL)
  install(FILES ${_deb_source}/example.velta.tavir.metainfo.xml DESTINATION share/metainfo
          COMPONENT deb EXCLUDE_FROM_ALL)
  install(FILES ${_tavir_icons}/tavir.svg DESTINATION share/icons/hicolor/scalable/apps
          COMPONENT deb EXCLUDE_FROM_ALL)
  foreach(size 48 128)
    install(FILES ${_tavir_icons}/tavir-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME tavir.png
            COMPONENT deb EXCLUDE_FROM_ALL)
  endforeach()
endif()

set(CPACK_DEBIAN_PACKAGE_NAME tavir)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "VELTA Software <programisci@velta.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.velta.example")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "TaViR shows a fixed collection of Polish quotations and proverbs: it counts
them, finds every quotation that holds a text, lists them all or draws fifty
at random, and copies, saves as an HTML page or prints the chosen ones.
.
The command-line companion tavir-cli answers the same queries in a terminal.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not found by the libraries: the window needs a platform plugin to show at all, and Qt's
# Polish texts for its dialogs ("Tak", "Nie").
if(TAVIR_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, cups-client")
