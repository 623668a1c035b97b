# The Wayland program: flindra-wayland (EGL, a layer-shell surface on every
# output), its protocol code from wayland-scanner, its manual page from the
# settings table, and the wayland tests. Included from linux.cmake.
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
pkg_check_modules(WAYLAND_EGL REQUIRED IMPORTED_TARGET wayland-egl)
pkg_check_modules(EGL REQUIRED IMPORTED_TARGET egl)
pkg_check_modules(OPENGL REQUIRED IMPORTED_TARGET opengl)
pkg_check_modules(WAYLAND_PROTOCOLS REQUIRED wayland-protocols)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
if(NOT WAYLAND_SCANNER)
  find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
endif()

# Client header and code for one protocol, into build/wayland-protocols.
# The layer shell names a request's parameter `namespace`, which C++ cannot
# take: the header gets it renamed on the way out (the XML stays as written).
set(FLINDRA_PROTOCOL_DIR ${CMAKE_BINARY_DIR}/wayland-protocols)
file(MAKE_DIRECTORY ${FLINDRA_PROTOCOL_DIR})
function(flindra_protocol xml name)
  set(header ${FLINDRA_PROTOCOL_DIR}/${name}-client-protocol.h)
  set(code ${FLINDRA_PROTOCOL_DIR}/${name}-protocol.c)
  add_custom_command(OUTPUT ${header}
                     COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}.in
                     COMMAND sed -e "s/\\([ ,*]\\)namespace\\([),]\\)/\\1name_space\\2/g" ${header}.in > ${header}
                     DEPENDS ${xml} VERBATIM)
  add_custom_command(OUTPUT ${code} COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code} DEPENDS ${xml} VERBATIM)
  set_property(GLOBAL APPEND PROPERTY FLINDRA_PROTOCOL_HEADERS ${header})
  set_property(GLOBAL APPEND PROPERTY FLINDRA_PROTOCOL_CODE ${code})
endfunction()
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml xdg-shell)
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/unstable/xdg-output/xdg-output-unstable-v1.xml xdg-output-unstable-v1)
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/stable/viewporter/viewporter.xml viewporter)
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/staging/fractional-scale/fractional-scale-v1.xml fractional-scale-v1)
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/unstable/keyboard-shortcuts-inhibit/keyboard-shortcuts-inhibit-unstable-v1.xml
                 keyboard-shortcuts-inhibit-unstable-v1)
flindra_protocol(${CMAKE_SOURCE_DIR}/src/wayland/protocols/wlr-layer-shell-unstable-v1.xml
                 wlr-layer-shell-unstable-v1)
flindra_protocol(${CMAKE_SOURCE_DIR}/src/wayland/protocols/wlr-virtual-pointer-unstable-v1.xml
                 wlr-virtual-pointer-unstable-v1)
get_property(FLINDRA_PROTOCOL_HEADERS GLOBAL PROPERTY FLINDRA_PROTOCOL_HEADERS)
get_property(FLINDRA_PROTOCOL_CODE GLOBAL PROPERTY FLINDRA_PROTOCOL_CODE)
add_library(flindra_wayland_protocols STATIC ${FLINDRA_PROTOCOL_CODE} ${FLINDRA_PROTOCOL_HEADERS})
target_include_directories(flindra_wayland_protocols PUBLIC ${FLINDRA_PROTOCOL_DIR})
target_link_libraries(flindra_wayland_protocols PUBLIC PkgConfig::WAYLAND_CLIENT)

# The command line and the manual page's text: standard C++ over the core.
add_library(flindra_wayland_options STATIC src/wayland/options.cpp)
target_compile_options(flindra_wayland_options PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(flindra_wayland_options PUBLIC flindra_core)
add_executable(print_wayland_manual src/wayland/print_manual.cpp)
target_compile_options(print_wayland_manual PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(print_wayland_manual PRIVATE flindra_wayland_options)
set(FLINDRA_WAYLAND_MAN_PAGE ${CMAKE_BINARY_DIR}/flindra-wayland.6)
add_custom_command(OUTPUT ${FLINDRA_WAYLAND_MAN_PAGE}.gz
                   COMMAND print_wayland_manual ${CMAKE_SOURCE_DIR}/packaging/flindra-wayland.6.in ${PROJECT_VERSION}
                           ${FLINDRA_WAYLAND_MAN_PAGE}
                   COMMAND gzip -9nc ${FLINDRA_WAYLAND_MAN_PAGE} > ${FLINDRA_WAYLAND_MAN_PAGE}.gz
                   DEPENDS print_wayland_manual ${CMAKE_SOURCE_DIR}/packaging/flindra-wayland.6.in
                   COMMENT "Writing flindra-wayland.6 from its template and the settings table" VERBATIM)
add_custom_target(flindra_wayland_manual ALL DEPENDS ${FLINDRA_WAYLAND_MAN_PAGE}.gz)

# The connection, the EGL context and the surfaces' buffer plan, shared with
# the bare client the benchmarks measure flindra-wayland against.
add_library(flindra_wayland_base STATIC src/wayland/connection.cpp src/wayland/egl_context.cpp
                                        src/wayland/surface_plan.cpp)
target_include_directories(flindra_wayland_base PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(flindra_wayland_base PRIVATE ${FLINDRA_WARNINGS} ${FLINDRA_HARDENING})
target_link_libraries(flindra_wayland_base PUBLIC flindra_wayland_protocols PkgConfig::WAYLAND_EGL PkgConfig::EGL)

add_executable(flindra-wayland src/wayland/main.cpp src/wayland/saver_surface.cpp src/wayland/input.cpp
                               src/wayland/process.cpp src/wayland/progress_report.cpp)
target_compile_options(flindra-wayland PRIVATE ${FLINDRA_WARNINGS} ${FLINDRA_HARDENING})
target_link_options(flindra-wayland PRIVATE ${FLINDRA_HARDENING_LINK})
target_compile_definitions(flindra-wayland PRIVATE FLINDRA_VERSION="${PROJECT_VERSION}")
target_link_libraries(flindra-wayland PRIVATE flindra_wayland_options flindra_core flindra_wayland_base
                                              PkgConfig::GLU PkgConfig::OPENGL)
add_dependencies(flindra-wayland flindra_wayland_manual)
if(NOT FLINDRA_SANITIZE)
  add_custom_command(TARGET flindra-wayland POST_BUILD COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
                                                               $<TARGET_FILE:flindra-wayland>)
endif()

# The floor of flindra-wayland's whole-desk figures (make bench-linux).
add_executable(wayland_clear EXCLUDE_FROM_ALL bench/linux/wayland_clear.cpp)
target_compile_options(wayland_clear PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(wayland_clear PRIVATE flindra_wayland_base flindra_core PkgConfig::OPENGL)

install(TARGETS flindra-wayland RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${FLINDRA_WAYLAND_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# ---- Tests on a headless sway (label wayland) ----------------------------------
if(NOT FLINDRA_TESTS)
  return()
endif()
# Moves and clicks a pointer of its own, as a person at the desk would.
add_executable(virtual_pointer tests/wayland/virtual_pointer.cpp)
target_compile_options(virtual_pointer PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(virtual_pointer PRIVATE flindra_wayland_protocols)
find_package(Python3 COMPONENTS Interpreter REQUIRED)
add_test(NAME wayland_saver
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-sway ${Python3_EXECUTABLE}
                 ${CMAKE_SOURCE_DIR}/tests/wayland/saver_test.py $<TARGET_FILE:flindra-wayland>
                 $<TARGET_FILE:virtual_pointer> $<TARGET_FILE:flindra> ${CMAKE_BINARY_DIR}/wayland-shots)
set_tests_properties(wayland_saver PROPERTIES LABELS wayland TIMEOUT 120 RUN_SERIAL TRUE ENVIRONMENT
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/wayland/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

# The surfaces' bookkeeping in plain code: natively, with the core's tests.
add_executable(wayland_plan_tests tests/wayland/test_surface_plan.cpp src/wayland/surface_plan.cpp)
target_include_directories(wayland_plan_tests PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(wayland_plan_tests PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(wayland_plan_tests PRIVATE GTest::gtest GTest::gtest_main)
gtest_discover_tests(wayland_plan_tests PROPERTIES LABELS core TIMEOUT 60 DISCOVERY_TIMEOUT 60)
