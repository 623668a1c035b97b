# The settings window, flindra-settings (GTK 4), with its desktop entry,
# AppStream metainfo and icons; packaged apart as flindra-settings so that
# the savers install without GTK. Included from linux.cmake.
pkg_check_modules(GTK4 REQUIRED IMPORTED_TARGET gtk4)

add_executable(flindra-settings src/settings/main.cpp src/settings/settings_window.cpp
                                src/settings/flake_preview.cpp src/settings/offscreen_gl.cpp
                                src/settings/user_unit.cpp)
target_include_directories(flindra-settings PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(flindra-settings PRIVATE ${FLINDRA_WARNINGS} ${FLINDRA_HARDENING})
target_link_options(flindra-settings PRIVATE ${FLINDRA_HARDENING_LINK})
target_link_libraries(flindra-settings PRIVATE flindra_posix flindra_core PkgConfig::GTK4 PkgConfig::EGL
                                               PkgConfig::GLU PkgConfig::OPENGL)
if(NOT FLINDRA_SANITIZE)
  add_custom_command(TARGET flindra-settings POST_BUILD COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
                                                                $<TARGET_FILE:flindra-settings>)
endif()

install(TARGETS flindra-settings RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT settings)

# ---- Tests on a headless sway (label wayland) ----------------------------------
if(NOT FLINDRA_TESTS)
  return()
endif()
add_executable(posix_tests tests/posix/test_user_settings.cpp)
target_include_directories(posix_tests PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(posix_tests PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(posix_tests PRIVATE flindra_posix GTest::gtest GTest::gtest_main)
gtest_discover_tests(posix_tests PROPERTIES LABELS core TIMEOUT 60 DISCOVERY_TIMEOUT 60)

# systemd's user manager as far as the window uses it, on the tests' own
# session bus (dbus-run-session): no systemd --user runs without systemd as PID 1.
add_executable(systemd_stand_in tests/settings/systemd_stand_in.cpp)
target_compile_options(systemd_stand_in PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(systemd_stand_in PRIVATE PkgConfig::GTK4)
add_test(NAME settings_window
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-sway dbus-run-session -- ${Python3_EXECUTABLE}
                 ${CMAKE_SOURCE_DIR}/tests/settings/settings_test.py $<TARGET_FILE:flindra-settings>
                 $<TARGET_FILE:systemd_stand_in> $<TARGET_FILE:native_frame> $<TARGET_FILE:flindra-wayland>
                 ${CMAKE_SOURCE_DIR}/packaging ${CMAKE_BINARY_DIR}/settings-shots)
set_tests_properties(settings_window PROPERTIES LABELS wayland TIMEOUT 180 RUN_SERIAL TRUE
                     ENVIRONMENT "${FLINDRA_WAYLAND_TEST_ENV}")
