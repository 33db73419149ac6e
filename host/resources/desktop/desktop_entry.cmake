# Installs the client's desktop entry; run by `cmake --install` (install(SCRIPT)
# in host/CMakeLists.txt, which sets EKR_DESKTOP_TEMPLATE and EKR_DESKTOP_FILE).
# The entry starts the program by its full path, so that it works whether or
# not the prefix's bin/ is on PATH; that path is known only now, when the
# prefix is (a package is installed under its own).
set(exec "${CMAKE_INSTALL_PREFIX}/bin/ekr_client")
# A path with a blank or a character that the Exec line reserves is quoted,
# with " ` $ and \ escaped inside the quotes. Then the entry's own escapes
# apply to the whole value: \ doubled, and % doubled as field codes are.
if(exec MATCHES "[^A-Za-z0-9_./+-]")
  string(REGEX REPLACE "([\"`$\\])" "\\\\\\1" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" EKR_DESKTOP_EXEC "${exec}")
configure_file("${EKR_DESKTOP_TEMPLATE}" "${EKR_DESKTOP_FILE}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${EKR_DESKTOP_FILE}")
