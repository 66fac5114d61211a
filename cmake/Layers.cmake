# Checks at every build that no source includes a header of a layer above its own. The layers are
# listed from the bottom; a file may include files of its own layer and of the layers below.
set(QUINTARO_LAYERS quintaro_midi quintaro_model quintaro_engine quintaro_devices quintaro_ui_base
                    quintaro_ui_keyboard quintaro_ui_windows quintaro_ui_main quintaro_startup)
# The layers below the user interface: they neither link Qt Widgets nor include its headers.
set(QUINTARO_NO_WIDGETS_LAYERS quintaro_midi quintaro_model quintaro_engine quintaro_devices)

# Fails the configuration when `target` links Qt Widgets, directly or through a layer it links.
function(quintaro_refuse_widgets target)
    get_target_property(links ${target} LINK_LIBRARIES)
    foreach(link ${links})
        if(link MATCHES "^Qt[0-9]*::Widgets$")
            message(FATAL_ERROR "${target} links ${link}: it is below the user interface")
        elseif(link MATCHES "^quintaro_")
            quintaro_refuse_widgets(${link})
        endif()
    endforeach()
endfunction()
foreach(layer ${QUINTARO_NO_WIDGETS_LAYERS})
    quintaro_refuse_widgets(${layer})
endforeach()

# The folder of Qt Widgets' headers: an include of a header found there is a widget include.
get_target_property(widgets_dirs Qt6::Widgets INTERFACE_INCLUDE_DIRECTORIES)
set(widgets_include_dir "")
foreach(dir ${widgets_dirs})
    if(dir MATCHES "/QtWidgets$")
        set(widgets_include_dir ${dir})
    endif()
endforeach()

set(layer_map "")
set(layer_sources "")
set(rank 0)
foreach(layer ${QUINTARO_LAYERS})
    set(widgets 1)
    if(layer IN_LIST QUINTARO_NO_WIDGETS_LAYERS)
        set(widgets 0)
    endif()
    get_target_property(sources ${layer} SOURCES)
    foreach(source ${sources})
        get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        file(RELATIVE_PATH relative ${CMAKE_CURRENT_SOURCE_DIR} ${source})
        string(APPEND layer_map "${rank} ${layer} ${widgets} ${relative}\n")
        list(APPEND layer_sources ${source})
    endforeach()
    math(EXPR rank "${rank} + 1")
endforeach()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/layers.txt "${layer_map}")

add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/layers.stamp
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR}
            -DMAP=${CMAKE_CURRENT_BINARY_DIR}/layers.txt -DWIDGETS_DIR=${widgets_include_dir}
            -P ${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_CURRENT_BINARY_DIR}/layers.stamp
    DEPENDS ${layer_sources} ${CMAKE_CURRENT_BINARY_DIR}/layers.txt
            ${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake
    COMMENT "Checking that includes point down the layers")
add_custom_target(quintaro_layers ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/layers.stamp)
foreach(layer ${QUINTARO_LAYERS})
    add_dependencies(${layer} quintaro_layers)
endforeach()
