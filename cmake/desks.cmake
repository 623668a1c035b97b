# The tests on the desks' own compositors (label desks): Mutter, gnome-shell
# and KWin, each under scripts/with-desk, with helpers that look and type as
# a person would. Included from wayland.cmake; built where the desks' group
# of scripts/install-deps is installed (make test-desks installs it first).
find_package(PlasmaWaylandProtocols QUIET)
pkg_check_modules(SYSTEMD QUIET IMPORTED_TARGET libsystemd)
if(NOT PlasmaWaylandProtocols_FOUND OR NOT SYSTEMD_FOUND)
  message(STATUS "No desk tests: scripts/install-deps desks brings what they need")
  return()
endif()

flindra_protocol(${PLASMA_WAYLAND_PROTOCOLS_DIR}/fake-input.xml fake-input)
flindra_protocol(${WAYLAND_PROTOCOLS_DIR}/unstable/idle-inhibit/idle-inhibit-unstable-v1.xml
                 idle-inhibit-unstable-v1)
get_property(FLINDRA_DESK_PROTOCOL_FILES GLOBAL PROPERTY FLINDRA_client_PROTOCOL_FILES)
list(REMOVE_ITEM FLINDRA_DESK_PROTOCOL_FILES ${FLINDRA_CLIENT_PROTOCOL_FILES})
add_library(flindra_desk_protocols STATIC ${FLINDRA_DESK_PROTOCOL_FILES})
target_link_libraries(flindra_desk_protocols PUBLIC flindra_wayland_protocols)

# Screen casts and remote input on Mutter and gnome-shell, over D-Bus.
add_executable(gnome_remote tests/desks/gnome_remote.cpp)
target_compile_options(gnome_remote PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(gnome_remote PRIVATE PkgConfig::SYSTEMD)
# Fake input and screenshots on KWin.
add_executable(kwin_remote tests/desks/kwin_remote.cpp)
target_compile_options(kwin_remote PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(kwin_remote PRIVATE flindra_desk_protocols PkgConfig::SYSTEMD)
# A desktop of a known colour, and an idle inhibitor held on it, where the
# desk paints none.
add_executable(desk_backdrop tests/desks/desk_backdrop.cpp)
target_compile_options(desk_backdrop PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(desk_backdrop PRIVATE flindra_desk_protocols)
