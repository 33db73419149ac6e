# The client program as a user starts it, run as a test with -DCLIENT=, -DWORK_DIR=
# (a scratch folder), -DOPTIONS= (its arguments; %profile stands for a file holding
# -DPROFILE=, %pictures for a fresh folder), and the outcome: -DEXIT= its exit code,
# and -DSAID= a pattern of what it must say on standard error or, with exit code 0,
# the pictures it must leave, by name, sorted, between spaces. A start that cannot go
# on says why in exactly one line.
# HOME, the XDG folders and the emulated registry are fresh folders of WORK_DIR, and
# the platform is the offscreen one. -DUNSET= names environment variables (between
# spaces) that the start runs without: DISPLAY and WAYLAND_DISPLAY for a machine
# without a display, QT_QPA_PLATFORM for a user who chose no platform.
file(REMOVE_RECURSE ${WORK_DIR})
foreach(variable HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR
                 EKR_REGISTRY_ROOT)
  file(MAKE_DIRECTORY ${WORK_DIR}/${variable})
  set(ENV{${variable}} ${WORK_DIR}/${variable})
endforeach()
file(CHMOD ${WORK_DIR}/XDG_RUNTIME_DIR DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(ENV{QT_QPA_PLATFORM} offscreen)
separate_arguments(UNSET)
foreach(variable ${UNSET})
  unset(ENV{${variable}})
endforeach()
file(WRITE ${WORK_DIR}/profile.json "${PROFILE}")
file(MAKE_DIRECTORY ${WORK_DIR}/pictures)
string(REPLACE "%profile" ${WORK_DIR}/profile.json OPTIONS "${OPTIONS}")
string(REPLACE "%pictures" ${WORK_DIR}/pictures OPTIONS "${OPTIONS}")
separate_arguments(OPTIONS UNIX_COMMAND "${OPTIONS}")
execute_process(COMMAND ${CLIENT} ${OPTIONS} RESULT_VARIABLE code ERROR_VARIABLE error
                TIMEOUT 60)
file(GLOB pictures RELATIVE ${WORK_DIR}/pictures ${WORK_DIR}/pictures/*)
list(SORT pictures)
string(REPLACE ";" " " pictures "${pictures}")
string(REGEX MATCHALL "ekr_client: " lines "${error}")
list(LENGTH lines lines)
if(NOT code EQUAL EXIT)
  message(FATAL_ERROR "exit code ${code}, not ${EXIT}:\n${error}")
elseif(EXIT EQUAL 0 AND NOT "${pictures}" STREQUAL "${SAID}")
  message(FATAL_ERROR "pictures ${pictures}, not ${SAID}:\n${error}")
elseif(NOT EXIT EQUAL 0 AND (NOT lines EQUAL 1 OR NOT error MATCHES "ekr_client: .*${SAID}"))
  message(FATAL_ERROR "not one line saying \"${SAID}\":\n${error}")
endif()
