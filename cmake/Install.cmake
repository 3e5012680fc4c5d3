# The installed layout: the launcher in bin/, the window program in libexec/tessaray/ (the
# launcher finds it there relative to itself), the help book, the desktop entry, the icons
# drawn from the program's own art, the AppStream metainfo and the manual page. `cpack -G DEB`
# makes a Debian package of the same.
include(GNUInstallDirs)

set(TESS_WINDOW_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/tessaray)
file(RELATIVE_PATH tess_window_from_launcher ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${TESS_WINDOW_PROGRAM_DIR})
set_property(SOURCE app/Launcher.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             TESS_WINDOW_PROGRAM_INSTALL_DIR="${tess_window_from_launcher}")

# Icons: drawn at build time by a small tool over resources/ui/Art.h.
add_executable(tess_make_icons tools/make_icons.cpp)
target_link_libraries(tess_make_icons PRIVATE tess_resources_ui)
set(tess_icon_dir ${CMAKE_BINARY_DIR}/icons)
set(tess_icon_sizes 16 22 24 32 48 64 128 256)
set(tess_icon_files)
foreach(size ${tess_icon_sizes})
    list(APPEND tess_icon_files ${tess_icon_dir}/hicolor/${size}x${size}/apps/tessaray.png)
endforeach()
add_custom_command(OUTPUT ${tess_icon_files}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:tess_make_icons> ${tess_icon_dir}
    DEPENDS tess_make_icons
    COMMENT "Drawing the program's icons")
add_custom_target(tess_icons ALL DEPENDS ${tess_icon_files})

configure_file(resources/desktop/tessaray.metainfo.xml
               ${CMAKE_BINARY_DIR}/desktop/tessaray.metainfo.xml.in @ONLY)
# The catalogs, and the desktop entry and metainfo with their translations (build/desktop/).
add_subdirectory(po)
configure_file(resources/desktop/tessaray.1.in ${CMAKE_BINARY_DIR}/desktop/tessaray.1 @ONLY)

install(TARGETS tessaray RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS tessaray-window RUNTIME DESTINATION ${TESS_WINDOW_PROGRAM_DIR})
# The help book, once it is written.
install(DIRECTORY resources/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaray/help OPTIONAL)
install(FILES ${CMAKE_BINARY_DIR}/desktop/tessaray.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${tess_icon_dir}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${CMAKE_BINARY_DIR}/desktop/tessaray.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/desktop/tessaray.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package. Its dependencies: the libraries the programs link (found by
# dpkg-shlibdeps), and what nothing links but the program needs at run time: GStreamer's
# plug-ins for playback and ALSA's PulseAudio plug-in for sound.
set(CPACK_PACKAGE_NAME tessaray)
set(CPACK_PACKAGE_VENDOR Quorvanta)
set(CPACK_PACKAGE_CONTACT "Quorvanta <tessaray@quorvanta.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "take pictures and recordings of the screen, a window or a rectangle")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessaray captures the whole screen, one window or a dragged rectangle as a picture
(PNG, BMP, GIF, JPEG) or as a recording with a lossless screen-video stream and optional
voice-quality sound, names captures from patterns, shows and plays them in its own window,
records on a daily schedule, and answers global hot keys.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly, gstreamer1.0-libav, gstreamer1.0-x, libasound2-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pavucontrol")
set(CPACK_GENERATOR DEB)
include(CPack)
