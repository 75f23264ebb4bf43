# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack once the .deb is built. CPack gives a package postinst and postrm scripts that
# call ldconfig whenever a library sits in a folder of /usr/lib; the program's own libraries in
# /usr/lib/carvalet are not on the loader's path, so those calls do nothing (and Debian wants
# a trigger instead). The package is rebuilt without them; nothing else changes.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
  execute_process(COMMAND dpkg-deb --root-owner-group --build ${tree} ${deb}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
