# The settings window, flindra-settings (GTK 4), with its desktop entry,
# AppStream metainfo and icons; packaged apart as flindra-settings so that
# the savers install without GTK. Included from linux.cmake.
pkg_check_modules(GTK4 REQUIRED IMPORTED_TARGET gtk4)

add_executable(flindra-settings src/settings/main.cpp src/settings/settings_window.cpp
                                src/settings/flake_preview.cpp src/settings/frame_paintable.cpp src/settings/offscreen_frame.cpp
                                src/settings/preview_subsurface.cpp
                                src/settings/user_unit.cpp src/settings/settings_writer.cpp)
target_include_directories(flindra-settings PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(flindra-settings PRIVATE ${FLINDRA_WARNINGS} ${FLINDRA_HARDENING})
target_link_options(flindra-settings PRIVATE ${FLINDRA_HARDENING_LINK})
target_link_libraries(flindra-settings PRIVATE flindra_wayland_base flindra_posix flindra_core PkgConfig::GTK4
                                               PkgConfig::GLU PkgConfig::OPENGL)
if(NOT FLINDRA_SANITIZE)
  add_custom_command(TARGET flindra-settings POST_BUILD COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
                                                                $<TARGET_FILE:flindra-settings>)
endif()

# Its manual page, desktop entry, metainfo (this version, dated by the
# changelog's newest entry) and the icon at the hicolor theme's sizes.
set(FLINDRA_SETTINGS_MAN_PAGE ${CMAKE_BINARY_DIR}/flindra-settings.1)
configure_file(packaging/flindra-settings.1.in ${FLINDRA_SETTINGS_MAN_PAGE} @ONLY)
add_custom_command(OUTPUT ${FLINDRA_SETTINGS_MAN_PAGE}.gz
                   COMMAND gzip -9nc ${FLINDRA_SETTINGS_MAN_PAGE} > ${FLINDRA_SETTINGS_MAN_PAGE}.gz
                   DEPENDS ${FLINDRA_SETTINGS_MAN_PAGE} VERBATIM)
add_custom_target(flindra_settings_files ALL DEPENDS ${FLINDRA_SETTINGS_MAN_PAGE}.gz)
add_dependencies(flindra-settings flindra_settings_files)
file(STRINGS packaging/debian/changelog FLINDRA_CHANGELOG_DATE REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX REPLACE ".*, ([0-9]+) ([A-Za-z]+) ([0-9]+) .*" "\\3-\\2-\\1" FLINDRA_RELEASE_DATE "${FLINDRA_CHANGELOG_DATE}")
set(FLINDRA_MONTHS Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(FLINDRA_MONTH_NUMBERS 01 02 03 04 05 06 07 08 09 10 11 12)
foreach(month month_number IN ZIP_LISTS FLINDRA_MONTHS FLINDRA_MONTH_NUMBERS)
  string(REPLACE "-${month}-" "-${month_number}-" FLINDRA_RELEASE_DATE "${FLINDRA_RELEASE_DATE}")
endforeach()
if(NOT FLINDRA_RELEASE_DATE MATCHES "^[0-9]+-[0-9][0-9]-[0-9]+$")
  message(FATAL_ERROR "packaging/debian/changelog: no date in the newest entry's last line")
endif()
set(FLINDRA_METAINFO ${CMAKE_BINARY_DIR}/example.flindra.Settings.metainfo.xml)
configure_file(packaging/example.flindra.Settings.metainfo.xml.in ${FLINDRA_METAINFO} @ONLY)

install(TARGETS flindra-settings RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT settings)
install(FILES ${FLINDRA_SETTINGS_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT settings)
install(FILES packaging/example.flindra.Settings.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT settings)
install(FILES ${FLINDRA_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT settings)
install(DIRECTORY packaging/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT settings)
install(FILES packaging/debian/copyright ${FLINDRA_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/flindra-settings
        COMPONENT settings)

# ---- Tests on a headless sway (label wayland) ----------------------------------
if(NOT FLINDRA_TESTS)
  return()
endif()
add_executable(posix_tests tests/posix/test_user_settings.cpp)
target_include_directories(posix_tests PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(posix_tests PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(posix_tests PRIVATE flindra_posix GTest::gtest GTest::gtest_main)
gtest_discover_tests(posix_tests PROPERTIES LABELS core TIMEOUT 60 DISCOVERY_TIMEOUT 60)

# The desktop entry and the metainfo as the desktop's own tools read them.
add_test(NAME settings_desktop_files
         COMMAND sh -c "desktop-file-validate \"$0\" && appstreamcli validate --no-net \"$1\""
                 ${CMAKE_SOURCE_DIR}/packaging/example.flindra.Settings.desktop ${FLINDRA_METAINFO})
set_tests_properties(settings_desktop_files PROPERTIES LABELS wayland TIMEOUT 60)

# systemd's user manager as far as the window uses it, on the tests' own
# session bus (dbus-run-session): no systemd --user runs without systemd as PID 1.
add_executable(systemd_stand_in tests/settings/systemd_stand_in.cpp)
target_compile_options(systemd_stand_in PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(systemd_stand_in PRIVATE PkgConfig::GTK4)
# It reads the window over AT-SPI as a screen reader does, with python3-gi,
# which Debian builds for its own python3, not for one found earlier on the
# PATH (pyenv, a virtualenv).
find_program(FLINDRA_DEBIAN_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
add_test(NAME settings_window
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-sway ${CMAKE_SOURCE_DIR}/scripts/with-xvfb dbus-run-session --
                 ${FLINDRA_DEBIAN_PYTHON3}
                 ${CMAKE_SOURCE_DIR}/tests/settings/settings_test.py $<TARGET_FILE:flindra-settings>
                 $<TARGET_FILE:systemd_stand_in> $<TARGET_FILE:native_frame> $<TARGET_FILE:flindra-wayland>
                 ${FLINDRA_UNIT_FOLDER} ${CMAKE_BINARY_DIR}/settings-shots)
set_tests_properties(settings_window PROPERTIES LABELS wayland TIMEOUT 180 RUN_SERIAL TRUE
                     ENVIRONMENT "${FLINDRA_WAYLAND_TEST_ENV}")
