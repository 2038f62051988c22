# The Polish dictionary of the word search: Debian's morfologik-polish (package
# libmorfologik-stemming-java) holds it in a jar, a zip file. The build unpacks the automaton,
# its metadata and its licence into dane/slownik/ beside the executables, and installs them
# with dane/ (the portable folder and the Debian package). They are never kept in the
# repository.
find_file(TAVIR_MORFOLOGIK_JAR morfologik-polish.jar PATHS /usr/share/java NO_DEFAULT_PATH)
if(NOT TAVIR_MORFOLOGIK_JAR)
  message(FATAL_ERROR "morfologik-polish.jar not found in /usr/share/java: install "
                      "libmorfologik-stemming-java (bash scripts/install-deps.sh)")
endif()

set(_tavir_dictionary_jar_dir ${CMAKE_BINARY_DIR}/slownik-jar)
set(_tavir_dictionary_dir ${CMAKE_BINARY_DIR}/dane/slownik)
set(_tavir_dictionary_names pl.dict pl.info pl.README-en)
set(_tavir_dictionary_members)
set(_tavir_dictionary_unpacked)
set(TAVIR_DICTIONARY_FILES)
foreach(name IN LISTS _tavir_dictionary_names)
  list(APPEND _tavir_dictionary_members morfologik/dictionaries/${name})
  list(APPEND _tavir_dictionary_unpacked ${_tavir_dictionary_jar_dir}/morfologik/dictionaries/${name})
  list(APPEND TAVIR_DICTIONARY_FILES ${_tavir_dictionary_dir}/${name})
endforeach()
# The members keep the jar's dates; touched, they are newer than the jar and not unpacked again.
add_custom_command(OUTPUT ${TAVIR_DICTIONARY_FILES}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_tavir_dictionary_jar_dir}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_tavir_dictionary_jar_dir} ${_tavir_dictionary_dir}
  COMMAND ${CMAKE_COMMAND} -E chdir ${_tavir_dictionary_jar_dir}
          ${CMAKE_COMMAND} -E tar xf ${TAVIR_MORFOLOGIK_JAR} ${_tavir_dictionary_members}
  COMMAND ${CMAKE_COMMAND} -E copy ${_tavir_dictionary_unpacked} ${_tavir_dictionary_dir}
  COMMAND ${CMAKE_COMMAND} -E touch ${TAVIR_DICTIONARY_FILES}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_tavir_dictionary_jar_dir}
  DEPENDS ${TAVIR_MORFOLOGIK_JAR}
  COMMENT "Unpacking the Polish dictionary into dane/slownik"
  VERBATIM)
add_custom_target(slownik ALL DEPENDS ${TAVIR_DICTIONARY_FILES})
add_dependencies(dane slownik)

install(FILES ${TAVIR_DICTIONARY_FILES} DESTINATION dane/slownik)
install(FILES ${TAVIR_DICTIONARY_FILES} DESTINATION lib/tavir/dane/slownik
        COMPONENT deb EXCLUDE_FROM_ALL)
