# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts under the prefix, relocatable as a whole:
#   lib/carvalet/   the program folder, laid out as bin/ of the build tree: executables,
#                   the platform library, the control plugins, controls.reg and res/
#   bin/            links into it: Carvalet, carvalet (the command people type), carvalet-cli
#   share/          desktop entry, metainfo, icons, man pages, bash completion, copyright
# The programs find their folder from their own path and their libraries through RUNPATH
# $ORIGIN, so the prefix can move anywhere. Tests, benchmarks and fuzzers are not installed.
include(GNUInstallDirs)

set(CARVALET_PROGRAM_DIR lib/carvalet)
set(CARVALET_HOMEPAGE "https://example.org/carvalet" CACHE STRING
    "The project's home page; the metainfo's screenshot is screenshots/main-window.png under it")
set(install_work ${CMAKE_BINARY_DIR}/install)
file(MAKE_DIRECTORY ${install_work})

set(program_targets Carvalet carvalet-cli carvalet-help carvalet_platform carvalet_skin_control
                    carvalet_splash_control)
foreach(target IN LISTS program_targets)
  if(TARGET ${target})
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "\$ORIGIN")
    install(TARGETS ${target} RUNTIME DESTINATION ${CARVALET_PROGRAM_DIR}
                              LIBRARY DESTINATION ${CARVALET_PROGRAM_DIR})
  endif()
endforeach()

# Relative links, made once here and installed as links.
set(links carvalet-cli)
if(TARGET Carvalet)
  list(APPEND links Carvalet carvalet)
endif()
foreach(link IN LISTS links)
  set(target ${link})
  if(link STREQUAL "carvalet")
    set(target Carvalet)
  endif()
  file(CREATE_LINK ../${CARVALET_PROGRAM_DIR}/${target} ${install_work}/${link} SYMBOLIC)
  install(FILES ${install_work}/${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

if(TARGET Carvalet)
  install(FILES ${CARVALET_BIN_DIR}/controls.reg DESTINATION ${CARVALET_PROGRAM_DIR})
  # Skin, splash and help: whatever the build put beside the program.
  install(DIRECTORY ${CARVALET_BIN_DIR}/res/ DESTINATION ${CARVALET_PROGRAM_DIR}/res)

  # Desktop entry and metainfo carry the desktop name of the program and its version.
  set(CARVALET_DESKTOP_FILE ${install_work}/${CARVALET_APP_ID}.desktop)
  set(CARVALET_METAINFO_FILE ${install_work}/${CARVALET_APP_ID}.metainfo.xml)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/carvalet.desktop.in ${CARVALET_DESKTOP_FILE}
                 @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/carvalet.metainfo.xml.in
                 ${CARVALET_METAINFO_FILE} @ONLY)
  install(FILES ${CARVALET_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CARVALET_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  set(icons ${PROJECT_SOURCE_DIR}/res/icons)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${icons}/carvalet-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${CARVALET_APP_ID}.png)
  endforeach()
  install(FILES ${icons}/carvalet.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${CARVALET_APP_ID}.svg)
endif()

# Man pages from their scdoc sources, compressed as Debian wants them.
find_program(CARVALET_SCDOC scdoc REQUIRED)
set(man_pages carvalet-cli.1)
if(TARGET Carvalet)
  list(APPEND man_pages carvalet.1)
endif()
set(CARVALET_MAN_PAGES "")
foreach(page IN LISTS man_pages)
  set(source ${PROJECT_SOURCE_DIR}/man/${page}.scd)
  set(output ${CMAKE_BINARY_DIR}/man/${page})
  add_custom_command(
      OUTPUT ${output} ${output}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -DSCDOC=${CARVALET_SCDOC} -DINPUT=${source} -DOUTPUT=${output}
              -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
      DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
      COMMENT "Rendering the man page ${page}"
      VERBATIM)
  list(APPEND CARVALET_MAN_PAGES ${output})
  install(FILES ${output}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(carvalet_man_pages ALL DEPENDS ${CARVALET_MAN_PAGES})
if(TARGET Carvalet)
  # "Carvalet" is a command in bin/ too; its page is the lowercase one.
  file(CREATE_LINK carvalet.1.gz ${install_work}/Carvalet.1.gz SYMBOLIC)
  install(FILES ${install_work}/Carvalet.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/carvalet-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME carvalet-cli)

# The package's papers, where Debian looks for them (changelog compressed like the pages).
set(changelog_gz ${install_work}/changelog.gz)
add_custom_command(
    OUTPUT ${changelog_gz}
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${changelog_gz}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
    COMMENT "Compressing the changelog")
add_custom_target(carvalet_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${changelog_gz}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/carvalet)

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
