# Installing on a desktop. `cmake --install` and the Debian package that CPack makes put
#   the program                 lib/quintaro/quintaro (started by the launcher, not directly)
#   the launcher                bin/quintaro
#   the program-name file       share/quintaro/QuintaroProgGM.txt
#   the menu entry              share/applications/<id>.desktop
#   the icon (SVG and PNGs)     share/icons/hicolor/.../apps/<id>.{svg,png}
#   the AppStream metadata      share/metainfo/<id>.metainfo.xml
#   the licence                 share/doc/quintaro/copyright (Debian's format, SPDX names) and
#                               share/doc/quintaro/LICENSE (the GPL's text)
# The program works in the folder it starts in; the launcher starts it in the user's own program
# folder, $XDG_DATA_HOME/quintaro, and gives that folder the program-name file.
include(GNUInstallDirs)

set(QUINTARO_VERSION 0.1.0)
set(QUINTARO_APP_ID io.github.quintaro.quintaro)
set(QUINTARO_PROGRAM_DIR lib/quintaro)
set(QUINTARO_DATA_DIR ${CMAKE_INSTALL_DATADIR}/quintaro)
set(QUINTARO_ICON_SIZES 16 32 48 64 128 256)
set(QUINTARO_MAINTAINER "Quintaro developers" CACHE STRING "Maintainer named in the Debian package")

# The launcher finds the program and the program-name file from its own place, so an installation
# under any prefix works.
file(RELATIVE_PATH QUINTARO_BIN_TO_PREFIX /prefix/${CMAKE_INSTALL_BINDIR} /prefix)
set(desktop_out ${CMAKE_CURRENT_BINARY_DIR}/desktop)
configure_file(desktop/launcher.sh.in ${desktop_out}/quintaro @ONLY)
configure_file(desktop/quintaro.desktop.in ${desktop_out}/${QUINTARO_APP_ID}.desktop @ONLY)
configure_file(desktop/quintaro.metainfo.xml.in ${desktop_out}/${QUINTARO_APP_ID}.metainfo.xml
               @ONLY)

# The icon pictures are drawn at build time by the code that draws the program's own icon.
add_executable(quintaro_icons desktop/make-icons.cpp ui/main/ProgramIcon.cpp)
target_include_directories(quintaro_icons PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quintaro_icons PRIVATE Qt6::Gui)
set(icon_out ${CMAKE_CURRENT_BINARY_DIR}/icons)
set(icon_files ${icon_out}/hicolor/scalable/apps/${QUINTARO_APP_ID}.svg)
foreach(size ${QUINTARO_ICON_SIZES})
    list(APPEND icon_files ${icon_out}/hicolor/${size}x${size}/apps/${QUINTARO_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${icon_files}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:quintaro_icons> ${icon_out} ${QUINTARO_APP_ID} ${QUINTARO_ICON_SIZES}
    DEPENDS quintaro_icons
    COMMENT "Drawing the desktop icons"
    VERBATIM)
add_custom_target(quintaro_desktop_icons ALL DEPENDS ${icon_files})

install(TARGETS quintaro RUNTIME DESTINATION ${QUINTARO_PROGRAM_DIR})
install(PROGRAMS ${desktop_out}/quintaro DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/QuintaroProgGM.txt DESTINATION ${QUINTARO_DATA_DIR})
install(FILES ${desktop_out}/${QUINTARO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop_out}/${QUINTARO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${icon_out}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
# Free software under GPL-3.0-or-later.
install(FILES desktop/copyright LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: `cpack -G DEB` in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quintaro)
set(CPACK_PACKAGE_VERSION ${QUINTARO_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "General MIDI controller with sixteen parts played with the mouse")
set(CPACK_PACKAGE_DESCRIPTION
    "Sixteen part windows, each with a 61-key keyboard played with the mouse, controller "
    "sliders, transposition and a program display, inside one main window, with a master "
    "keyboard and a mixer. It sounds through its built-in FluidSynth synthesizer or drives an "
    "ALSA or JACK MIDI port.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CONTACT "${QUINTARO_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The built-in synthesizer needs a General MIDI SoundFont at /usr/share/sounds/sf2/default-GM.sf2.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
