# The tests on the desks' own compositors (label desks): Mutter, gnome-shell
# and KWin, each under scripts/with-desk, with helpers that look and type as
# a person would. Included from wayland.cmake, after its protocols, sd-bus
# and the Plasma protocols' folder; the desks themselves come with the desks
# group of scripts/install-deps (make test-desks installs it first).
flindra_protocol_side(client ${PLASMA_WAYLAND_PROTOCOLS_DIR}/fake-input.xml fake-input FLINDRA_DESK_PROTOCOL_FILES)
flindra_protocol_side(client ${WAYLAND_PROTOCOLS_DIR}/unstable/idle-inhibit/idle-inhibit-unstable-v1.xml
                      idle-inhibit-unstable-v1 FLINDRA_DESK_PROTOCOL_FILES)
get_property(FLINDRA_DESK_PROTOCOL_FILES GLOBAL PROPERTY FLINDRA_DESK_PROTOCOL_FILES)
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

# The same checks on each desk, one at a time (each desk is two monitors of
# software rendering): Debian 12's (desk_DESK) and Debian 13's, run from the
# tree of scripts/debian13-tree (desk13_DESK); labwc and Weston, coverage and
# a key; KWin 6.3 nested on sway 1.10. Screenshots kept in
# build/native/desk-shots/[debian13/]DESK/.
function(flindra_desk_test name shots)
  add_test(NAME ${name}
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-desk ${ARGN} ${Python3_EXECUTABLE}
                   ${CMAKE_SOURCE_DIR}/tests/desks/desk_test.py $<TARGET_FILE:flindra-wayland>
                   $<TARGET_FILE:gnome_remote> $<TARGET_FILE:kwin_remote> $<TARGET_FILE:desk_backdrop>
                   $<TARGET_FILE:flindra-settings> $<TARGET_FILE:native_frame> $<TARGET_FILE:virtual_pointer>
                   ${shots})
  set_tests_properties(${name} PROPERTIES LABELS desks TIMEOUT 180 RUN_SERIAL TRUE ENVIRONMENT
                       "${FLINDRA_WAYLAND_TEST_ENV}")
endfunction()
foreach(desk mutter gnome-shell kwin)
  flindra_desk_test(desk_${desk} ${CMAKE_BINARY_DIR}/desk-shots ${desk})
endforeach()
foreach(desk mutter gnome-shell kwin sway labwc weston)
  flindra_desk_test(desk13_${desk} ${CMAKE_BINARY_DIR}/desk-shots/debian13 --debian13 ${desk})
endforeach()
set_tests_properties(desk13_labwc desk13_weston PROPERTIES ENVIRONMENT
                     "${FLINDRA_WAYLAND_TEST_ENV};FLINDRA_CASES=every_monitor_covered_then_a_key")

# Today's sway (Debian 13's 1.10, which tells each surface its fractional
# scale): the saver and the settings window's preview at 125, 150, 175 and
# 200 %, judged from the output's own buffer.
add_test(NAME desk13_sway_scales
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-sway --debian13 dbus-run-session -- ${Python3_EXECUTABLE}
                 ${CMAKE_SOURCE_DIR}/tests/wayland/scale_test.py $<TARGET_FILE:flindra-wayland>
                 $<TARGET_FILE:flindra-settings> $<TARGET_FILE:output_copy> $<TARGET_FILE:native_frame>
                 ${CMAKE_BINARY_DIR}/desk-shots/sway-scales)
set_tests_properties(desk13_sway_scales PROPERTIES LABELS desks TIMEOUT 180 RUN_SERIAL TRUE ENVIRONMENT
                     "${FLINDRA_WAYLAND_TEST_ENV}")
