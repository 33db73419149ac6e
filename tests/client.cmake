# The client program as a user starts it, run as a test with -DCLIENT=, -DWORK_DIR=
# (a scratch folder), -DOPTIONS= (its arguments; %profile stands for a file holding
# -DPROFILE=, %pictures for a fresh folder), and the outcome: -DEXIT= its exit code, or
# "running" for a start that is still showing its dialog after three seconds (and is then
# killed), and -DSAID= a pattern of what it must say on standard error or, with exit code
# 0, the pictures it must leave, by name, sorted, between spaces. A start that cannot go
# on says why in exactly one line. A start that got to its dialog has saved what a first
# start writes: the demo catalogue and the account's defaults (while it runs, once the
# farm has answered), and the client's version under its uninstall key. With -DAGAIN=1 the
# same start is made once more, after a comment is added to the settings file: a start
# that changes no setting leaves the file as it is.
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
set(timeout 60)
if(EXIT STREQUAL "running")
  set(timeout 3)
endif()
execute_process(COMMAND ${CLIENT} ${OPTIONS} RESULT_VARIABLE code ERROR_VARIABLE error
                TIMEOUT ${timeout})
file(GLOB pictures RELATIVE ${WORK_DIR}/pictures ${WORK_DIR}/pictures/*)
list(SORT pictures)
string(REPLACE ";" " " pictures "${pictures}")
string(REGEX MATCHALL "ekr_client: " lines "${error}")
list(LENGTH lines lines)
if(EXIT STREQUAL "running")
  if(NOT code MATCHES "timeout")
    message(FATAL_ERROR "ended (${code}) instead of showing its dialog:\n${error}")
  endif()
elseif(NOT code EQUAL EXIT)
  message(FATAL_ERROR "exit code ${code}, not ${EXIT}:\n${error}")
elseif(EXIT EQUAL 0 AND NOT "${pictures}" STREQUAL "${SAID}")
  message(FATAL_ERROR "pictures ${pictures}, not ${SAID}:\n${error}")
elseif(NOT EXIT EQUAL 0 AND (NOT lines EQUAL 1 OR NOT error MATCHES "ekr_client: .*${SAID}"))
  message(FATAL_ERROR "not one line saying \"${SAID}\":\n${error}")
endif()
if(EXIT STREQUAL "running" OR EXIT EQUAL 0)
  set(saved "")
  file(GLOB_RECURSE files ${WORK_DIR}/XDG_CONFIG_HOME/ekr_client.ini
       ${WORK_DIR}/EKR_REGISTRY_ROOT/Uninstall.ini)
  foreach(file ${files})
    file(READ ${file} text)
    string(APPEND saved "${text}")
  endforeach()
  foreach(pattern "\\[ekr\\.rendering\\]" "\\[ekr\\.account\\.ann\\.render\\][^[]*checkinterval=30000"
                  "DisplayVersion=0\\.9\\.0")
    if(NOT saved MATCHES "${pattern}")
      message(FATAL_ERROR "nothing saved matches ${pattern}; saved:\n${saved}")
    endif()
  endforeach()
endif()
if(AGAIN)
  set(settings ${WORK_DIR}/XDG_CONFIG_HOME/ekr_client/ekr_client.ini)
  file(APPEND ${settings} "; left as it is\n")
  execute_process(COMMAND ${CLIENT} ${OPTIONS} RESULT_VARIABLE code ERROR_VARIABLE error
                  TIMEOUT ${timeout})
  file(READ ${settings} text)
  if(NOT code EQUAL EXIT OR NOT text MATCHES "; left as it is")
    message(FATAL_ERROR "the second start (exit code ${code}) rewrote the settings:\n${text}")
  endif()
endif()
