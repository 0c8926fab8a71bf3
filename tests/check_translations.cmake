# Fails when a catalogue lacks a translation of a text the program shows:
# lupdate brings copies of the catalogues up to date with the sources, and
# every message must then have a finished translation.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(GLOB catalogues ${SOURCE_DIR}/translations/*.ts)
foreach(catalogue ${catalogues})
    get_filename_component(name ${catalogue} NAME)
    file(COPY_FILE ${catalogue} ${WORK_DIR}/${name})
    execute_process(
        COMMAND ${LUPDATE} -silent -no-obsolete -locations none
                ${SOURCE_DIR}/app ${SOURCE_DIR}/wizard ${SOURCE_DIR}/pages -ts ${WORK_DIR}/${name}
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "lupdate failed on ${name}")
    endif()
    file(READ ${WORK_DIR}/${name} text)
    string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation type=\"(unfinished|vanished|obsolete)\"" gaps "${text}")
    if(gaps)
        message(FATAL_ERROR "${name} lacks translations:\n${gaps}")
    endif()
    file(READ ${catalogue} committed)
    if(NOT committed STREQUAL text)
        message(FATAL_ERROR "${name} is out of step with the sources; run lupdate on it")
    endif()
endforeach()
