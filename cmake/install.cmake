# Installation: a portable program folder. The executables sit in the prefix's root with the
# data folder beside them, exactly as in the build folder; the desktop entry and the icons go
# into the prefix's share/ folders. Installing into the user's own folders needs no root, and
# the data folder stays writable for the settings file.
#
#   cmake --install build --prefix ~/.local/opt/tavir
#   cd build && cpack          # tavir-<version>-Linux.tar.gz of the same folder

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT AND DEFINED ENV{HOME})
  set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local/opt/tavir" CACHE PATH "Install folder" FORCE)
endif()

set(_tavir_programs tavir-cli)
if(TAVIR_BUILD_GUI)
  list(PREPEND _tavir_programs tavir)
endif()
install(TARGETS ${_tavir_programs} RUNTIME DESTINATION .)

# Only the shipped files: never a settings file, print file or temporary file from a
# developer's run.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/dane DESTINATION .
        PATTERN "konfiguracja.ini*" EXCLUDE
        PATTERN "TaViR.txt*" EXCLUDE
        PATTERN ".*" EXCLUDE
        PATTERN "*~" EXCLUDE)

if(TAVIR_BUILD_GUI)
  set(_tavir_icons ${CMAKE_SOURCE_DIR}/resources/images)
  install(FILES ${_tavir_icons}/tavir.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${_tavir_icons}/tavir-48.png DESTINATION share/icons/hicolor/48x48/apps
          RENAME tavir.png)
  install(FILES ${_tavir_icons}/tavir-128.png DESTINATION share/icons/hicolor/128x128/apps
          RENAME tavir.png)

  # The desktop entry names the executable by its absolute path, known only at install time:
  # the prefix given to `cmake --install`, without DESTDIR.
  set(_tavir_desktop ${CMAKE_BINARY_DIR}/install/tavir.desktop)
  install(CODE "set(_tavir_desktop_in [[${CMAKE_SOURCE_DIR}/resources/tavir.desktop.in]])
                set(_tavir_desktop [[${_tavir_desktop}]])")
  install(CODE [[
    get_filename_component(_tavir_exe "${CMAKE_INSTALL_PREFIX}/tavir" ABSOLUTE)
    if(_tavir_exe MATCHES "^[A-Za-z0-9/_.,+=@:-]+$")
      set(TAVIR_DESKTOP_EXEC "${_tavir_exe}")
    else()
      # Quoted argument: \ " ` $ escaped inside the quotes, then every \ doubled again
      # because the value is a desktop entry string.
      string(REPLACE "\\" "\\\\" _tavir_quoted "${_tavir_exe}")
      string(REPLACE "\"" "\\\"" _tavir_quoted "${_tavir_quoted}")
      string(REPLACE "`" "\\`" _tavir_quoted "${_tavir_quoted}")
      string(REPLACE "$" "\\$" _tavir_quoted "${_tavir_quoted}")
      string(REPLACE "\\" "\\\\" _tavir_quoted "${_tavir_quoted}")
      set(TAVIR_DESKTOP_EXEC "\"${_tavir_quoted}\"")
    endif()
    string(REPLACE "%" "%%" TAVIR_DESKTOP_EXEC "${TAVIR_DESKTOP_EXEC}")
    configure_file("${_tavir_desktop_in}" "${_tavir_desktop}" @ONLY)
  ]])
  install(FILES ${_tavir_desktop} DESTINATION share/applications)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/deb.cmake)

# The package is the same folder; unpacked anywhere, its desktop entry finds tavir on PATH.
# `cpack -G DEB` makes the Debian package instead (cmake/deb.cmake).
set(CPACK_GENERATOR TGZ)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_config.cmake)
set(CPACK_PACKAGE_NAME tavir)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TaViR")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
if(TAVIR_BUILD_GUI)
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_desktop_entry.cmake)
endif()
include(CPack)
