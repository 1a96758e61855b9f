# Run while installing: writes the menu entry for the prefix being installed
# into, then installs it (file(INSTALL) adds DESTDIR and records the file in
# the install manifest).
#
# In: CMAKE_INSTALL_PREFIX, Q2_DESKTOP_TEMPLATE, Q2_DESKTOP_STAGING, Q2_BIN_DIR,
# Q2_APPLICATIONS_DIR (both relative to the prefix), Q2_APP_ID.

set(program "${CMAKE_INSTALL_PREFIX}/${Q2_BIN_DIR}/quarven2")

# The Exec key is split at spaces and gives meaning to a few other
# characters, so a prefix holding any of them is quoted: inside the quotes ",
# `, $ and \ take a backslash, and the entry's string syntax then doubles
# every backslash.
if(program MATCHES "[] \t\"'\\\\<>~|&;$*?#()`[]")
  if(program MATCHES "[\n\r]")
    message(FATAL_ERROR "cannot write a menu entry for a prefix holding a line break: ${CMAKE_INSTALL_PREFIX}")
  endif()
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" quoted "${program}")
  string(REPLACE "\\" "\\\\" quoted "${quoted}")
  set(Q2_EXEC "\"${quoted}\"")
else()
  set(Q2_EXEC "${program}")
endif()

configure_file("${Q2_DESKTOP_TEMPLATE}" "${Q2_DESKTOP_STAGING}/${Q2_APP_ID}.desktop" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${Q2_APPLICATIONS_DIR}" TYPE FILE
     FILES "${Q2_DESKTOP_STAGING}/${Q2_APP_ID}.desktop")
