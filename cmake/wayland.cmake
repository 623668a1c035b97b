# The Wayland program: flindra-wayland (EGL, a layer-shell surface on every
# output), its protocol code from wayland-scanner, its manual page from the
# settings table, and the wayland tests. Included from linux.cmake.
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
pkg_check_modules(WAYLAND_EGL REQUIRED IMPORTED_TARGET wayland-egl)
pkg_check_modules(EGL REQUIRED IMPORTED_TARGET egl)
pkg_check_modules(OPENGL REQUIRED IMPORTED_TARGET opengl)
pkg_check_modules(WAYLAND_PROTOCOLS REQUIRED wayland-protocols)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
pkg_check_modules(SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
find_package(PlasmaWaylandProtocols REQUIRED)  # KWin's idle protocol (PLASMA_WAYLAND_PROTOCOLS_DIR)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
if(NOT WAYLAND_SCANNER)
  find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
endif()

# One side's header (client for flindra-wayland, server for the test
# compositor) and the code of one protocol, into build/wayland-protocols; the
# code is the same for both sides and made once. The layer shell names a
# request's parameter `namespace`, which C++ cannot take: the header gets it
# renamed on the way out (the XML stays as written).
set(FLINDRA_PROTOCOL_DIR ${CMAKE_BINARY_DIR}/wayland-protocols)
file(MAKE_DIRECTORY ${FLINDRA_PROTOCOL_DIR})
# Appends the header and code to the global list named files.
function(flindra_protocol_side side xml name files)
  set(header ${FLINDRA_PROTOCOL_DIR}/${name}-${side}-protocol.h)
  set(code ${FLINDRA_PROTOCOL_DIR}/${name}-protocol.c)
  add_custom_command(OUTPUT ${header}
                     COMMAND ${WAYLAND_SCANNER} ${side}-header ${xml} ${header}.in
                     COMMAND sed -e "s/\\([ ,*]\\)namespace\\([),]\\)/\\1name_space\\2/g" ${header}.in > ${header}
                     DEPENDS ${xml} VERBATIM)
  get_property(made GLOBAL PROPERTY FLINDRA_PROTOCOL_CODE_MADE)
  if(NOT code IN_LIST made)
    add_custom_command(OUTPUT ${code} COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code} DEPENDS ${xml} VERBATIM)
    set_property(GLOBAL APPEND PROPERTY FLINDRA_PROTOCOL_CODE_MADE ${code})
  endif()
  set_property(GLOBAL APPEND PROPERTY ${files} ${header} ${code})
endfunction()
function(flindra_protocol xml name)
  flindra_protocol_side(client ${xml} ${name} FLINDRA_CLIENT_PROTOCOL_FILES)
endfunction()
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml xdg-shell)
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/unstable/xdg-output/xdg-output-unstable-v1.xml xdg-output-unstable-v1)
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/stable/viewporter/viewporter.xml viewporter)
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/staging/fractional-scale/fractional-scale-v1.xml fractional-scale-v1)
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/unstable/keyboard-shortcuts-inhibit/keyboard-shortcuts-inhibit-unstable-v1.xml
                 keyboard-shortcuts-inhibit-unstable-v1)
# Version 2 of the idle protocol (Debian 12's wayland-protocols has version 1) is kept in src/wayland/protocols.
flindra_protocol(${CMAKE_SOURCE_DIR}/src/wayland/protocols/ext-idle-notify-v1.xml ext-idle-notify-v1)
flindra_protocol(${PLASMA_WAYLAND_PROTOCOLS_DIR}/idle.xml kde-idle)
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/unstable/relative-pointer/relative-pointer-unstable-v1.xml
                 relative-pointer-unstable-v1)
flindra_protocol(${CMAKE_SOURCE_DIR}/src/wayland/protocols/wlr-layer-shell-unstable-v1.xml
                 wlr-layer-shell-unstable-v1)
get_property(FLINDRA_CLIENT_PROTOCOL_FILES GLOBAL PROPERTY FLINDRA_CLIENT_PROTOCOL_FILES)
add_library(flindra_wayland_protocols STATIC ${FLINDRA_CLIENT_PROTOCOL_FILES})
target_include_directories(flindra_wayland_protocols PUBLIC ${FLINDRA_PROTOCOL_DIR})
target_link_libraries(flindra_wayland_protocols PUBLIC PkgConfig::WAYLAND_CLIENT)

set(FLINDRA_WAYLAND_MAN_PAGE ${CMAKE_BINARY_DIR}/flindra-wayland.6)
flindra_manual_page(${CMAKE_SOURCE_DIR}/packaging/flindra-wayland.6.in ${FLINDRA_WAYLAND_MAN_PAGE})
add_custom_command(OUTPUT ${FLINDRA_WAYLAND_MAN_PAGE}.gz
                   COMMAND gzip -9nc ${FLINDRA_WAYLAND_MAN_PAGE} > ${FLINDRA_WAYLAND_MAN_PAGE}.gz
                   DEPENDS ${FLINDRA_WAYLAND_MAN_PAGE} VERBATIM)
add_custom_target(flindra_wayland_manual ALL DEPENDS ${FLINDRA_WAYLAND_MAN_PAGE}.gz)

# The Wayland drawing pieces: the connection, the EGL context, the surfaces'
# buffer plan, scale and frame pacing; shared with the settings window's
# preview and the bare client the benchmarks measure flindra-wayland against.
add_library(flindra_wayland_base STATIC src/wayland/connection.cpp src/wayland/egl_context.cpp
                                        src/wayland/surface_plan.cpp src/wayland/drawn_surface.cpp)
target_include_directories(flindra_wayland_base PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(flindra_wayland_base PRIVATE ${FLINDRA_WARNINGS} ${FLINDRA_HARDENING})
target_link_libraries(flindra_wayland_base PUBLIC flindra_wayland_protocols PkgConfig::WAYLAND_EGL PkgConfig::EGL)

add_executable(flindra-wayland src/wayland/main.cpp src/wayland/desk.cpp src/wayland/saver_surface.cpp
                               src/wayland/input.cpp src/wayland/options.cpp src/wayland/progress_report.cpp
                               src/wayland/idle_watch.cpp src/wayland/gnome_idle.cpp
                               src/wayland/kde_inhibitions.cpp src/wayland/session_bus.cpp)
target_compile_options(flindra-wayland PRIVATE ${FLINDRA_WARNINGS} ${FLINDRA_HARDENING})
target_link_options(flindra-wayland PRIVATE ${FLINDRA_HARDENING_LINK})
target_compile_definitions(flindra-wayland PRIVATE FLINDRA_VERSION="${PROJECT_VERSION}")
target_link_libraries(flindra-wayland PRIVATE flindra_posix flindra_core flindra_wayland_base PkgConfig::GLU
                                              PkgConfig::OPENGL PkgConfig::SYSTEMD)
add_dependencies(flindra-wayland flindra_wayland_manual)
if(NOT FLINDRA_SANITIZE)
  add_custom_command(TARGET flindra-wayland POST_BUILD COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
                                                               $<TARGET_FILE:flindra-wayland>)
endif()

# The floors of flindra-wayland's whole-desk figures (make bench-linux).
add_executable(wayland_clear EXCLUDE_FROM_ALL bench/linux/wayland_clear.cpp bench/reference_frame.cpp)
target_compile_options(wayland_clear PRIVATE ${FLINDRA_WARNINGS})
target_include_directories(wayland_clear PRIVATE bench)
target_link_libraries(wayland_clear PRIVATE flindra_wayland_base flindra_posix flindra_core PkgConfig::GLU PkgConfig::OPENGL)

install(TARGETS flindra-wayland RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${FLINDRA_WAYLAND_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
# The user unit that runs it resident (-idle), for each user to enable,
# naming the program where it is installed. Alone in its folder, which the
# settings window's test hands its stand-in for systemd.
set(FLINDRA_UNIT_FOLDER ${CMAKE_BINARY_DIR}/user-units)
configure_file(packaging/flindra-wayland.service.in ${FLINDRA_UNIT_FOLDER}/flindra-wayland.service @ONLY)
install(FILES ${FLINDRA_UNIT_FOLDER}/flindra-wayland.service DESTINATION lib/systemd/user)

# ---- Tests on a headless sway (label wayland) ----------------------------------
if(NOT FLINDRA_TESTS)
  return()
endif()
# Moves and clicks a pointer of its own, as a person at the desk would, on a
# protocol only the tests speak.
flindra_protocol_side(client ${CMAKE_SOURCE_DIR}/tests/wayland/protocols/wlr-virtual-pointer-unstable-v1.xml
                      wlr-virtual-pointer-unstable-v1 FLINDRA_TEST_PROTOCOL_FILES)
get_property(FLINDRA_TEST_PROTOCOL_FILES GLOBAL PROPERTY FLINDRA_TEST_PROTOCOL_FILES)
add_library(flindra_test_protocols STATIC ${FLINDRA_TEST_PROTOCOL_FILES})
target_include_directories(flindra_test_protocols PUBLIC ${FLINDRA_PROTOCOL_DIR})
target_link_libraries(flindra_test_protocols PUBLIC PkgConfig::WAYLAND_CLIENT)
add_executable(virtual_pointer tests/wayland/virtual_pointer.cpp)
target_compile_options(virtual_pointer PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(virtual_pointer PRIVATE flindra_test_protocols)
# An output's pixels as the compositor holds them, unscaled (grim scales a
# fractionally scaled output).
add_executable(output_copy tests/wayland/output_copy.cpp)
target_compile_options(output_copy PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(output_copy PRIVATE PkgConfig::WAYLAND_CLIENT)
# A compositor of the tests' own on libwayland-server, for the paths sway
# cannot drive: a layer surface closed while its output stays, an output
# unplugged, a scale changed under a live surface, the compositor gone.
pkg_check_modules(WAYLAND_SERVER REQUIRED IMPORTED_TARGET wayland-server)
flindra_protocol_side(server ${CMAKE_SOURCE_DIR}/src/wayland/protocols/wlr-layer-shell-unstable-v1.xml
                      wlr-layer-shell-unstable-v1 FLINDRA_SERVER_PROTOCOL_FILES)
flindra_protocol_side(server ${WAYLAND_PROTOCOLS_DIR}/stable/viewporter/viewporter.xml viewporter
                      FLINDRA_SERVER_PROTOCOL_FILES)
flindra_protocol_side(server ${WAYLAND_PROTOCOLS_DIR}/staging/fractional-scale/fractional-scale-v1.xml
                      fractional-scale-v1 FLINDRA_SERVER_PROTOCOL_FILES)
get_property(FLINDRA_SERVER_PROTOCOL_FILES GLOBAL PROPERTY FLINDRA_SERVER_PROTOCOL_FILES)
# The layer shell's popups name xdg_popup: xdg-shell's code comes along.
add_library(flindra_test_compositor_protocols STATIC ${FLINDRA_SERVER_PROTOCOL_FILES}
                                                     ${FLINDRA_PROTOCOL_DIR}/xdg-shell-protocol.c)
target_include_directories(flindra_test_compositor_protocols PUBLIC ${FLINDRA_PROTOCOL_DIR})
target_link_libraries(flindra_test_compositor_protocols PUBLIC PkgConfig::WAYLAND_SERVER)
add_executable(test_compositor tests/wayland/test_compositor.cpp)
target_compile_options(test_compositor PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(test_compositor PRIVATE flindra_test_compositor_protocols)

find_package(Python3 COMPONENTS Interpreter REQUIRED)
# HACK: LeakSanitizer's check at exit crashed twice in a loaded full run
# ("Tracer caught signal 11") while llvmpipe's rasterizer threads were still
# up (EGL is not terminated, see egl_context.cpp); llvmpipe draws on the main
# thread alone with LP_NUM_THREADS=0, the same pixels.
set(FLINDRA_WAYLAND_TEST_ENV
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/wayland/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1" "LP_NUM_THREADS=0")
add_test(NAME wayland_saver
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-sway ${Python3_EXECUTABLE}
                 ${CMAKE_SOURCE_DIR}/tests/wayland/saver_test.py $<TARGET_FILE:flindra-wayland>
                 $<TARGET_FILE:virtual_pointer> $<TARGET_FILE:flindra> $<TARGET_FILE:native_frame>
                 $<TARGET_FILE:desk_backdrop>
                 ${CMAKE_BINARY_DIR}/wayland-shots)
add_test(NAME wayland_frame_rate
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-sway ${Python3_EXECUTABLE}
                 ${CMAKE_SOURCE_DIR}/tests/wayland/frame_rate_test.py $<TARGET_FILE:flindra-wayland>)
set_tests_properties(wayland_saver wayland_frame_rate PROPERTIES LABELS wayland TIMEOUT 120 RUN_SERIAL TRUE
                     ENVIRONMENT "${FLINDRA_WAYLAND_TEST_ENV}")
# GNOME's idle monitor and a hanging session manager on a session bus of the
# test's own, for -idle beside the test compositor (which has no idle protocol).
add_executable(gnome_stand_in tests/wayland/gnome_stand_in.cpp)
target_compile_options(gnome_stand_in PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(gnome_stand_in PRIVATE PkgConfig::SYSTEMD)
add_test(NAME wayland_compositor_paths
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wayland/compositor_test.py
                 $<TARGET_FILE:flindra-wayland> $<TARGET_FILE:test_compositor> $<TARGET_FILE:gnome_stand_in>)
set_tests_properties(wayland_compositor_paths PROPERTIES LABELS wayland TIMEOUT 120 ENVIRONMENT
                     "${FLINDRA_WAYLAND_TEST_ENV}")

# The surfaces' bookkeeping in plain code: natively, with the core's tests.
add_executable(wayland_plan_tests tests/wayland/test_surface_plan.cpp src/wayland/surface_plan.cpp)
target_include_directories(wayland_plan_tests PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(wayland_plan_tests PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(wayland_plan_tests PRIVATE GTest::gtest GTest::gtest_main)
gtest_discover_tests(wayland_plan_tests PROPERTIES LABELS core TIMEOUT 60 DISCOVERY_TIMEOUT 60)

include(cmake/desks.cmake)
