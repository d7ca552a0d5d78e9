# What `cmake --install` puts where (GNU layout): the program and its
# launcher, the sample data, the desktop entry, icon and sinogram file type,
# the manual pages, and the documents with the licence. Companion tools in
# lab/ install themselves beside the program.

# The launcher finds the program beside itself and the sample data relative
# to itself, so that an installed tree works wherever its prefix is (the
# package, a staging folder, scripts/run's build-run/stage).
file(RELATIVE_PATH SINORA_DATA_FROM_BIN
  "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATADIR}/sinora/data")
file(RELATIVE_PATH SINORA_DOC_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DOCDIR}")
configure_file(dist/sinora-session.in sinora-session @ONLY)

install(TARGETS sinora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/sinora-session DESTINATION ${CMAKE_INSTALL_BINDIR})

# The data set's README.md goes with the samples: the work folder gets a copy.
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/sinora/data
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

install(FILES dist/sinora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The sinogram's file type, named in the desktop entry: a double click on a
# .sino file starts Sinora on it.
install(FILES dist/sinora-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME sinora.xml)
install(FILES dist/sinora.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Every manual page in doc/man, its version filled in from the project's,
# compressed as Debian keeps them; the lab's only when the lab is built.
file(GLOB man_pages CONFIGURE_DEPENDS doc/man/*.1)
if(NOT SINORA_LAB)
  list(FILTER man_pages EXCLUDE REGEX ".*/sinora-lab\\.1$")
endif()
set(compressed_pages)
foreach(page ${man_pages})
  get_filename_component(name ${page} NAME)
  set(versioned ${CMAKE_CURRENT_BINARY_DIR}/man/${name})
  configure_file(${page} ${versioned} @ONLY)
  set(compressed ${versioned}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND gzip -9n -c ${versioned} > ${compressed}
    DEPENDS ${versioned} VERBATIM)
  list(APPEND compressed_pages ${compressed})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${compressed_pages})
install(FILES ${compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES data/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME README-data.md)
