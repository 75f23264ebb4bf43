# SPDX-License-Identifier: GPL-3.0-or-later
# The rooms of the tree and which rooms each may use. A room's sources that include a header
# of any other room fail the build (cmake/CheckIncludes.cmake), so the dependency order is kept
# by the compiler's step instead of by review.

# Our own code builds without warnings; our own builds (scripts/test, CI) turn them into errors,
# while a user's newer compiler, with warnings we have not met yet, still builds the program.
function(carvalet_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${CARVALET_WERROR}>:-Werror>)
endfunction()

# carvalet_room(TARGET <target> ROOM <folder> USES <folders...>
#               [DIRECT <folders...> IN <files...>])
# Checks every source and header of <target> that lies in <folder>. The files named after IN
# (relative to the target's folder) may also include the DIRECT folders' headers: the few
# places where a room must reach past the one it normally goes through.
function(carvalet_room)
  cmake_parse_arguments(ARG "" "TARGET;ROOM" "USES;DIRECT;IN" ${ARGN})
  get_target_property(sources ${ARG_TARGET} SOURCES)
  get_target_property(source_dir ${ARG_TARGET} SOURCE_DIR)
  set(checked "")
  foreach(source IN LISTS sources)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} NORMALIZE OUTPUT_VARIABLE path)
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR ${path} inside)
    if(inside AND path MATCHES "\\.(h|cpp)$")
      list(APPEND checked ${path})
    endif()
  endforeach()
  # Lists travel as comma-separated words on the command line.
  string(REPLACE ";" "," allowed "${ARG_ROOM};${ARG_USES}")
  string(REPLACE ";" "," files "${checked}")
  set(direct_files "")
  foreach(file IN LISTS ARG_IN)
    cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY ${source_dir} NORMALIZE OUTPUT_VARIABLE path)
    list(APPEND direct_files ${path})
  endforeach()
  string(REPLACE ";" "," direct "${ARG_DIRECT}")
  string(REPLACE ";" "," direct_files "${direct_files}")
  string(MAKE_C_IDENTIFIER ${ARG_TARGET} name)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}.includes-checked)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOM=${ARG_ROOM} -DALLOWED=${allowed} -DSOURCES=${files}
            -DDIRECT=${direct} -DDIRECT_FILES=${direct_files} -DSTAMP=${stamp}
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
    DEPENDS ${checked} ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
    COMMENT "Checking the includes of ${ARG_ROOM}"
    VERBATIM)
  add_custom_target(${name}_includes DEPENDS ${stamp})
  add_dependencies(${ARG_TARGET} ${name}_includes)
endfunction()
