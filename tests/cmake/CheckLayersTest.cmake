# cmake -DCHECK=<CheckLayers.cmake> -DWORK=<scratch folder> -P CheckLayersTest.cmake
# Runs the layer check over small trees of its own: what points down passes; an include of a
# higher layer and a Qt Widgets header in a layer without widgets fail, each named.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/src/low ${WORK}/src/high ${WORK}/widgets)
file(WRITE ${WORK}/widgets/QWidget "")

# Runs the check with `low_file` and `high_file` as the two layers' files; `expect` is "pass" or a
# text the failure must contain.
function(check name low_file high_file expect)
    file(WRITE ${WORK}/src/low/a.h "${low_file}")
    file(WRITE ${WORK}/src/high/b.h "${high_file}")
    file(WRITE ${WORK}/map.txt "0 low 0 low/a.h\n1 high 1 high/b.h\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${WORK}/src -DMAP=${WORK}/map.txt
                            -DWIDGETS_DIR=${WORK}/widgets -P ${CHECK}
                    RESULT_VARIABLE result ERROR_VARIABLE error)
    if(expect STREQUAL "pass")
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "${name}: refused:\n${error}")
        endif()
    elseif(result EQUAL 0)
        message(FATAL_ERROR "${name}: passed")
    elseif(NOT error MATCHES "${expect}")
        message(FATAL_ERROR "${name}: refused without naming \"${expect}\":\n${error}")
    endif()
endfunction()

check(down "#include <QString>\n" "#include \"low/a.h\"\n#include <QWidget>\n" pass)
check(up "#include \"high/b.h\"\n" "" "low/a.h includes high/b.h \\(high, a layer above\\)")
check(widget "#include <QWidget>\n" "" "low/a.h includes <QWidget> \\(Qt Widgets")
check(widget_by_module "#  include <QtWidgets/QLabel>\n" "" "low/a.h includes <QtWidgets/QLabel>")
message(STATUS "CheckLayers: passes what points down, refuses what points up")
