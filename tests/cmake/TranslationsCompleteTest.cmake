# Every caption in the code has its translation in every translations/*.ts, and no .ts keeps a
# text the code no longer has: lupdate, run over the sources on a copy of each .ts, finds nothing
# new, unfinished or gone. Run with -DLUPDATE=<lupdate> -DSOURCE_DIR=<repository> -DWORK=<folder>.
file(GLOB_RECURSE sources ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/devices/*.cpp
     ${SOURCE_DIR}/devices/*.h ${SOURCE_DIR}/ui/*.cpp ${SOURCE_DIR}/ui/*.h
     ${SOURCE_DIR}/startup/*.cpp ${SOURCE_DIR}/startup/*.h)
file(GLOB ts_files ${SOURCE_DIR}/translations/*.ts)
if(NOT ts_files)
    message(FATAL_ERROR "no translation in ${SOURCE_DIR}/translations")
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
foreach(ts ${ts_files})
    get_filename_component(name ${ts} NAME)
    file(COPY ${ts} DESTINATION ${WORK})
    execute_process(COMMAND ${LUPDATE} -locations none ${sources} -ts ${WORK}/${name}
                    RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(failed)
        message(FATAL_ERROR "lupdate failed on ${name}:\n${out}")
    endif()
    file(READ ${WORK}/${name} updated)
    string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation type=\"[a-z]+\"" bad
           "${updated}")
    string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation></translation>" empty
           "${updated}")
    if(bad OR empty)
        message(FATAL_ERROR "${name} is not complete (run the update_translations target and "
                            "translate):\n${bad}\n${empty}")
    endif()
endforeach()
