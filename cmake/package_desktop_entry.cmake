# Run by CPack on the staged folder: the package may be unpacked anywhere, so its desktop
# entry names the program without a folder instead of the staging path.
if(NOT CPACK_GENERATOR STREQUAL "TGZ")
  return()
endif()
set(_entry "${CPACK_TEMPORARY_DIRECTORY}/share/applications/tavir.desktop")
file(READ "${_entry}" _text)
string(REGEX REPLACE "\nExec=[^\n]*" "\nExec=tavir" _text "${_text}")
file(WRITE "${_entry}" "${_text}")
