# Removes what an install recorded in its manifest, and the tracks' own
# folder once it is empty; nothing else. The manifest holds the paths
# without DESTDIR, so an install staged in DESTDIR is removed with the same
# DESTDIR set.
#
# Usage: [DESTDIR=...] cmake -DMANIFEST=build/install_manifest.txt -P uninstall.cmake

if(NOT DEFINED MANIFEST)
  message(FATAL_ERROR "usage: cmake -DMANIFEST=<install manifest> -P uninstall.cmake")
endif()
if(NOT EXISTS "${MANIFEST}")
  message(STATUS "Nothing to uninstall: ${MANIFEST} does not exist (nothing was installed from this build folder)")
  return()
endif()

file(STRINGS "${MANIFEST}" installed)
set(own_folders "")
set(failed FALSE)
foreach(recorded IN LISTS installed)
  set(path "$ENV{DESTDIR}${recorded}")
  # A link whose target is already gone still counts as installed.
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing: ${path}")
    file(REMOVE "${path}")
    if(EXISTS "${path}" OR IS_SYMLINK "${path}")
      message(WARNING "could not remove ${path}")
      set(failed TRUE)
    endif()
  else()
    message(STATUS "Already gone: ${path}")
  endif()
  if(path MATCHES "^(.*/(share|lib)/quarven2)/[^/]+$")
    list(APPEND own_folders "${CMAKE_MATCH_1}")
  endif()
endforeach()

list(REMOVE_DUPLICATES own_folders)
foreach(folder IN LISTS own_folders)
  # rmdir refuses a folder that still holds anything, which is the point.
  if(IS_DIRECTORY "${folder}")
    execute_process(COMMAND rmdir "${folder}" RESULT_VARIABLE kept OUTPUT_QUIET ERROR_QUIET)
    if(kept EQUAL 0)
      message(STATUS "Removing: ${folder}")
    else()
      message(STATUS "Keeping ${folder}: it holds files that were not installed from here")
    endif()
  endif()
endforeach()

if(failed)
  message(FATAL_ERROR "some installed files could not be removed (see above); are you allowed to write there?")
endif()
