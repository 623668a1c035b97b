# The X11 program: flindra (GLX), the config file and manual page built from
# the settings table, its install layout, the Debian package and the x11
# tests. Included from native.cmake after the core.
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
pkg_check_modules(XRANDR REQUIRED IMPORTED_TARGET xrandr)
pkg_check_modules(GLX REQUIRED IMPORTED_TARGET gl)

# Debian's hardening for what the package ships; the sanitizers already check
# the test build, and _FORTIFY_SOURCE does not mix with them.
if(FLINDRA_SANITIZE)
  set(FLINDRA_HARDENING "")
  set(FLINDRA_HARDENING_LINK "")
else()
  set(FLINDRA_HARDENING -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat -Werror=format-security -fPIE)
  set(FLINDRA_HARDENING_LINK -pie -Wl,-z,relro -Wl,-z,now)
endif()

# What both Linux programs share: the POSIX plumbing (signals, the clock,
# the wait, main's start) over the core, and the generator of their manual
# pages. No X or Wayland headers.
add_library(flindra_posix STATIC src/posix/process.cpp src/posix/wait.cpp src/posix/program_main.cpp
                          src/posix/user_settings.cpp src/posix/test_seam.cpp src/posix/settings_watch.cpp)
target_compile_options(flindra_posix PRIVATE ${FLINDRA_WARNINGS} ${FLINDRA_HARDENING})
target_link_libraries(flindra_posix PUBLIC flindra_core)
add_executable(print_manual src/posix/print_manual.cpp)
target_compile_options(print_manual PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(print_manual PRIVATE flindra_core)
# A page from its template, written whole or not at all.
function(flindra_manual_page template page)
  add_custom_command(OUTPUT ${page}
                     COMMAND print_manual ${template} ${PROJECT_VERSION} > ${page}.new
                     COMMAND ${CMAKE_COMMAND} -E rename ${page}.new ${page}
                     DEPENDS print_manual ${template}
                     COMMENT "Writing ${page} from its template and the shared options" VERBATIM)
endfunction()

# The option parser and the generated files' text: standard C++ over the core.
add_library(flindra_x11_options STATIC src/x11/options.cpp)
target_compile_options(flindra_x11_options PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(flindra_x11_options PUBLIC flindra_core)

add_executable(print_config src/x11/print_config.cpp)
target_compile_options(print_config PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(print_config PRIVATE flindra_x11_options)

set(FLINDRA_CONFIG_XML ${CMAKE_BINARY_DIR}/flindra.xml)
set(FLINDRA_MAN_PAGE ${CMAKE_BINARY_DIR}/flindra.6)
add_custom_command(OUTPUT ${FLINDRA_CONFIG_XML}
                   COMMAND print_config > ${FLINDRA_CONFIG_XML}.new
                   COMMAND ${CMAKE_COMMAND} -E rename ${FLINDRA_CONFIG_XML}.new ${FLINDRA_CONFIG_XML}
                   DEPENDS print_config
                   COMMENT "Writing flindra.xml from the settings table" VERBATIM)
flindra_manual_page(${CMAKE_SOURCE_DIR}/packaging/flindra.6.in ${FLINDRA_MAN_PAGE})
# Debian ships manual pages compressed, without a time stamp.
set(FLINDRA_ADD_MAN_PAGE ${CMAKE_BINARY_DIR}/flindra-add-to-xscreensaver.1)
configure_file(packaging/flindra-add-to-xscreensaver.1.in ${FLINDRA_ADD_MAN_PAGE} @ONLY)
foreach(page ${FLINDRA_MAN_PAGE} ${FLINDRA_ADD_MAN_PAGE})
  add_custom_command(OUTPUT ${page}.gz COMMAND gzip -9nc ${page} > ${page}.gz DEPENDS ${page} VERBATIM)
endforeach()
add_custom_target(flindra_config_files ALL
                  DEPENDS ${FLINDRA_CONFIG_XML} ${FLINDRA_MAN_PAGE}.gz ${FLINDRA_ADD_MAN_PAGE}.gz)

# GLX's libGL and GLU: never OSMesa in the same program.
add_executable(flindra src/x11/main.cpp src/x11/glx_surface.cpp src/x11/x_errors.cpp)
target_compile_options(flindra PRIVATE ${FLINDRA_WARNINGS} ${FLINDRA_HARDENING})
target_link_options(flindra PRIVATE ${FLINDRA_HARDENING_LINK})
target_compile_definitions(flindra PRIVATE FLINDRA_VERSION="${PROJECT_VERSION}")
target_link_libraries(flindra PRIVATE flindra_x11_options flindra_posix flindra_core PkgConfig::GLX PkgConfig::GLU PkgConfig::XRANDR
                                      PkgConfig::X11)
add_dependencies(flindra flindra_config_files)

# The user's one step into XScreenSaver's list.
add_library(flindra_program_list STATIC src/x11/program_list.cpp)
target_compile_options(flindra_program_list PRIVATE ${FLINDRA_WARNINGS} ${FLINDRA_HARDENING})
target_include_directories(flindra_program_list PUBLIC ${CMAKE_SOURCE_DIR}/src)
add_executable(flindra-add-to-xscreensaver src/x11/add_to_xscreensaver.cpp)
target_compile_options(flindra-add-to-xscreensaver PRIVATE ${FLINDRA_WARNINGS} ${FLINDRA_HARDENING})
target_link_options(flindra-add-to-xscreensaver PRIVATE ${FLINDRA_HARDENING_LINK})
target_link_libraries(flindra-add-to-xscreensaver PRIVATE flindra_program_list)
if(NOT FLINDRA_SANITIZE)
  # The compilers' version notes are of no use in what the package ships.
  foreach(program flindra flindra-add-to-xscreensaver)
    add_custom_command(TARGET ${program} POST_BUILD COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
                                                            $<TARGET_FILE:${program}>)
  endforeach()
endif()

# The floor flindra's whole-process figures are read against (make bench-linux).
add_executable(glx_reference EXCLUDE_FROM_ALL bench/linux/glx_reference.cpp bench/reference_frame.cpp)
target_compile_options(glx_reference PRIVATE ${FLINDRA_WARNINGS})
target_include_directories(glx_reference PRIVATE bench)
target_link_libraries(glx_reference PRIVATE flindra_posix flindra_core PkgConfig::GLX PkgConfig::GLU PkgConfig::X11)

include(GNUInstallDirs)
# What is installed goes into the package flindra unless it names another
# component (the settings window's: flindra-settings).
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME flindra)
install(TARGETS flindra RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(TARGETS flindra-add-to-xscreensaver RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${FLINDRA_CONFIG_XML} DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES ${FLINDRA_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${FLINDRA_ADD_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Debian's documentation files; a native package's changelog is changelog.gz,
# and its newest entry names this version.
file(STRINGS packaging/debian/changelog FLINDRA_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT FLINDRA_CHANGELOG_TOP MATCHES "^flindra \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/debian/changelog: the newest entry is not version ${PROJECT_VERSION}")
endif()
set(FLINDRA_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${FLINDRA_CHANGELOG}
                   COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/debian/changelog > ${FLINDRA_CHANGELOG}
                   DEPENDS ${CMAKE_SOURCE_DIR}/packaging/debian/changelog VERBATIM)
add_custom_target(flindra_changelog ALL DEPENDS ${FLINDRA_CHANGELOG})
install(FILES packaging/debian/copyright packaging/debian/README.Debian ${FLINDRA_CHANGELOG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/flindra)

# flindra-wayland, in the same package.
include(cmake/wayland.cmake)
# flindra-settings, packaged on its own.
include(cmake/settings.cmake)

# make deb: dist/flindra_VERSION_amd64.deb (the savers) and
# dist/flindra-settings_VERSION_amd64.deb (the window, which alone needs
# GTK), installed under /usr, stripped.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL flindra settings)
set(CPACK_DEBIAN_FLINDRA_PACKAGE_NAME flindra)
set(CPACK_DEBIAN_SETTINGS_PACKAGE_NAME flindra-settings)
set(CPACK_DEBIAN_SETTINGS_PACKAGE_DEPENDS "flindra (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_SETTINGS_PACKAGE_RECOMMENDS "")
set(CPACK_DEBIAN_SETTINGS_PACKAGE_SUGGESTS "")
# Each package's first line is its own summary (CPack would put one shared
# summary in front of both).
set(CPACK_DEBIAN_SETTINGS_DESCRIPTION "settings window for the Flindra screen saver
A window with a slider for each of Flindra's settings above a live preview
drawn as the screen saver draws it, a switch that starts flindra-wayland
after some minutes of inactivity (through systemd's user manager) and a
button that shows the screen saver at once. It is listed as Flindra among
the desktop's applications.")
set(CPACK_PACKAGE_NAME flindra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Flindra developers <flindra@example.org>")
set(CPACK_DEBIAN_FLINDRA_DESCRIPTION "six-armed crystal flakes falling through space, for XScreenSaver and Wayland
Flindra draws up to 101 six-armed crystal flakes falling and swaying through
3-D space as points of light, with OpenGL. Speed, brightness, flake size,
number of flakes and sway rate are set on its XScreenSaver settings screen.

After installing, each user runs flindra-add-to-xscreensaver once to put
Flindra into their own XScreenSaver list, then picks it in
xscreensaver-settings.

On Wayland desktops with a layer shell (sway, Hyprland, river, labwc and
others) flindra-wayland covers every output when an idle daemon such as
swayidle starts it.")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${FLINDRA_HOME_PAGE})
# The prefix the build was configured for (/usr in the linux preset): the
# user unit names the program's path under it.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_SOURCE_DIR}/dist)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS swayidle)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# ---- Tests of the real program on an X server (label x11) --------------------
if(NOT FLINDRA_TESTS)
  return()
endif()
find_package(Python3 COMPONENTS Interpreter)
# Mesa and Xlib keep per-process state until exit; only our leaks count.
set(FLINDRA_X11_SANITIZER_ENV
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/x11/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
add_executable(x11_tests tests/x11/test_program.cpp tests/x11/test_program_list.cpp tests/x11/support.cpp)
target_include_directories(x11_tests PRIVATE tests/x11)
target_compile_options(x11_tests PRIVATE ${FLINDRA_WARNINGS})
target_compile_definitions(x11_tests PRIVATE FLINDRA_PROGRAM="$<TARGET_FILE:flindra>"
                                             FLINDRA_CONFIG_XML="${FLINDRA_CONFIG_XML}"
                                             FLINDRA_PROJECT_VERSION="${PROJECT_VERSION}")
target_link_libraries(x11_tests PRIVATE flindra_x11_options flindra_program_list PkgConfig::X11 GTest::gtest
                                        GTest::gtest_main)
add_dependencies(x11_tests flindra flindra-add-to-xscreensaver)
# Each test starts its own flindra processes on the display scripts/with-xvfb
# gives; one at a time, so the CPU they measure against is theirs.
gtest_discover_tests(x11_tests PROPERTIES LABELS x11 TIMEOUT 120 RUN_SERIAL TRUE
                     ENVIRONMENT "${FLINDRA_X11_SANITIZER_ENV}" DISCOVERY_TIMEOUT 60)
add_test(NAME x11_xscreensaver_daemon
         COMMAND ${CMAKE_SOURCE_DIR}/tests/x11/daemon_test $<TARGET_FILE:flindra>
                 $<TARGET_FILE:flindra-add-to-xscreensaver>
                 ${CMAKE_BINARY_DIR}/screenshot-daemon.png)
set_tests_properties(x11_xscreensaver_daemon PROPERTIES LABELS x11 TIMEOUT 120 RUN_SERIAL TRUE
                                                        ENVIRONMENT "${FLINDRA_X11_SANITIZER_ENV}")
if(Python3_FOUND)
  add_test(NAME x11_config_file
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/x11/check_config.py $<TARGET_FILE:flindra>
                   ${FLINDRA_CONFIG_XML})
  set_tests_properties(x11_config_file PROPERTIES LABELS x11 TIMEOUT 60 RUN_SERIAL TRUE
                                                  ENVIRONMENT "${FLINDRA_X11_SANITIZER_ENV}")
endif()
