# Checks at every build that no source includes a header of a layer above its own. The layers are
# listed from the bottom; a file may include files of its own layer and of the layers below.
set(QUINTARO_LAYERS quintaro_midi quintaro_model quintaro_ui_keyboard
                    quintaro_ui_windows quintaro_ui_main quintaro_app)
set(layer_map "")
set(layer_sources "")
set(rank 0)
foreach(layer ${QUINTARO_LAYERS})
    get_target_property(sources ${layer} SOURCES)
    foreach(source ${sources})
        get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        file(RELATIVE_PATH relative ${CMAKE_CURRENT_SOURCE_DIR} ${source})
        string(APPEND layer_map "${rank} ${layer} ${relative}\n")
        list(APPEND layer_sources ${source})
    endforeach()
    math(EXPR rank "${rank} + 1")
endforeach()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/layers.txt "${layer_map}")

add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/layers.stamp
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR}
            -DMAP=${CMAKE_CURRENT_BINARY_DIR}/layers.txt -P ${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_CURRENT_BINARY_DIR}/layers.stamp
    DEPENDS ${layer_sources} ${CMAKE_CURRENT_BINARY_DIR}/layers.txt
            ${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake
    COMMENT "Checking that includes point down the layers")
add_custom_target(quintaro_layers ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/layers.stamp)
foreach(layer ${QUINTARO_LAYERS})
    add_dependencies(${layer} quintaro_layers)
endforeach()
