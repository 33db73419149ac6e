# The Chinese catalogue is what lupdate makes of the plugin's texts and of the
# dialog's widget tree (texts and accessible names), every one of them
# translated: run as a test with -DLUPDATE=, -DSOURCE_DIR= and -DWORK_DIR= (a
# scratch folder).
set(shipped ${SOURCE_DIR}/host/resources/translations/ekr_client_zh_CN.ts)
file(MAKE_DIRECTORY ${WORK_DIR})
configure_file(${shipped} ${WORK_DIR}/zh_CN.ts COPYONLY)
execute_process(COMMAND ${LUPDATE} -silent -locations none -no-obsolete
                  ${SOURCE_DIR}/plugins/com.ekr.configuration
                  ${SOURCE_DIR}/host/resources/ui/com.ekr.configuration.ui -ts ${WORK_DIR}/zh_CN.ts
                RESULT_VARIABLE failed)
file(READ ${shipped} before)
file(READ ${WORK_DIR}/zh_CN.ts after)
if(failed OR NOT before STREQUAL after)
  message(FATAL_ERROR "lupdate changes ${shipped}: a text was added, changed or dropped")
endif()
if(before MATCHES "unfinished")
  message(FATAL_ERROR "${shipped} holds unfinished translations")
endif()
