# Windows build: flindra.scr, a static 64-bit GUI program, and the Win32-layer
# tests, which CTest runs under Wine.
set(FLINDRA_STATIC_LINK -static -static-libgcc -static-libstdc++)
# What is released holds no link time, so that a rebuild gives the same bytes.
set(FLINDRA_REPRODUCIBLE_LINK -Wl,--no-insert-timestamp)

include(cmake/core.cmake)
target_link_libraries(flindra_core PUBLIC opengl32 glu32)

# Everything of the Win32 layer but the entry point, so the tests link it too.
file(GLOB FLINDRA_WIN32_SOURCES CONFIGURE_DEPENDS src/win32/*.cpp)
list(REMOVE_ITEM FLINDRA_WIN32_SOURCES ${CMAKE_SOURCE_DIR}/src/win32/main.cpp)
add_library(flindra_win32 STATIC ${FLINDRA_WIN32_SOURCES})
target_compile_definitions(flindra_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
target_compile_options(flindra_win32 PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(flindra_win32 PUBLIC flindra_core comctl32 gdi32 user32 advapi32 shell32 ole32)

# The resources (icon, manifest, version) with the version taken from project().
set(FLINDRA_RC_DIR ${CMAKE_SOURCE_DIR}/src/win32)
set(FLINDRA_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
configure_file(src/win32/flindra.rc.in ${CMAKE_BINARY_DIR}/flindra.rc @ONLY)
set(FLINDRA_RC ${CMAKE_BINARY_DIR}/flindra.rc)
# The resource compiler's output goes stale when a file it embeds changes.
set_source_files_properties(${FLINDRA_RC} PROPERTIES OBJECT_DEPENDS
                            "${FLINDRA_RC_DIR}/flindra.manifest;${FLINDRA_RC_DIR}/flindra.ico")

add_executable(flindra WIN32 src/win32/main.cpp ${FLINDRA_RC})
set_target_properties(flindra PROPERTIES SUFFIX ".scr")
target_compile_options(flindra PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(flindra PRIVATE flindra_win32)
target_link_options(flindra PRIVATE ${FLINDRA_STATIC_LINK} ${FLINDRA_REPRODUCIBLE_LINK})

# GoogleTest from Debian's source package, built with the cross compiler.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(GoogleTest)
file(GLOB FLINDRA_WIN32_TESTS CONFIGURE_DEPENDS tests/win32/*.cpp)
# The tests carry the program's resources (icon, manifest with common controls
# v6 and DPI awareness), so forms made in them behave as in flindra.scr, and
# they start flindra.scr itself.
add_executable(win32_tests ${FLINDRA_WIN32_TESTS} ${FLINDRA_RC})
target_include_directories(win32_tests PRIVATE tests/win32)
add_dependencies(win32_tests flindra)
target_compile_options(win32_tests PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(win32_tests PRIVATE flindra_win32 gtest gtest_main)
target_link_options(win32_tests PRIVATE ${FLINDRA_STATIC_LINK})
# Each test runs in its own Wine process, one at a time (they share the
# registry key and the display).
gtest_discover_tests(win32_tests PROPERTIES LABELS wine TIMEOUT 60 RUN_SERIAL TRUE
                     DISCOVERY_TIMEOUT 120 DISCOVERY_MODE PRE_TEST)

# Test helper: a stand-in web browser that records how the shell started it,
# registered for https:// by the dialog's "Our site" test.
add_executable(show_probe WIN32 tests/win32/helpers/show_probe.cpp)
target_compile_options(show_probe PRIVATE ${FLINDRA_WARNINGS})
target_link_options(show_probe PRIVATE ${FLINDRA_STATIC_LINK})
add_dependencies(win32_tests show_probe)

# Whole-process benchmark tools (make bench): a minimal WGL reference program
# and a launcher that plays the host. Not part of the default build.
add_executable(wgl_reference WIN32 EXCLUDE_FROM_ALL bench/wine/wgl_reference.cpp bench/reference_frame.cpp)
target_compile_options(wgl_reference PRIVATE ${FLINDRA_WARNINGS})
target_include_directories(wgl_reference PRIVATE bench)
target_link_libraries(wgl_reference PRIVATE flindra_core gdi32 user32)
target_link_options(wgl_reference PRIVATE ${FLINDRA_STATIC_LINK})
add_executable(bench_launcher EXCLUDE_FROM_ALL bench/wine/launcher.cpp)
target_compile_options(bench_launcher PRIVATE ${FLINDRA_WARNINGS})
target_compile_definitions(bench_launcher PRIVATE WIN32_LEAN_AND_MEAN)
target_link_libraries(bench_launcher PRIVATE user32)
target_link_options(bench_launcher PRIVATE ${FLINDRA_STATIC_LINK})

# ---- Test helpers for preview mode and the password check -------------------
# preview_host.exe: a window with a preview pane that starts "<saver> /p <pane>",
# for looking at the preview under Wine and for the cross-process tests.
add_executable(preview_host WIN32 tests/win32/helpers/preview_host.cpp)
target_compile_definitions(preview_host PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(preview_host PRIVATE ${FLINDRA_WARNINGS})
target_link_options(preview_host PRIVATE ${FLINDRA_STATIC_LINK})

# Test password applets: copied by the tests into the Wine prefix's system
# directory as PASSWORD.CPL. One exports VerifyScreenSavePwd (answer set by
# the test through the registry), the other lacks that export.
foreach(variant IN ITEMS test_password_applet test_password_applet_noexport)
  add_library(${variant} SHARED tests/win32/helpers/password_applet.cpp)
  set_target_properties(${variant} PROPERTIES PREFIX "")
  target_compile_definitions(${variant} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_compile_options(${variant} PRIVATE ${FLINDRA_WARNINGS})
  target_link_libraries(${variant} PRIVATE advapi32 user32)
  target_link_options(${variant} PRIVATE ${FLINDRA_STATIC_LINK})
endforeach()
target_sources(test_password_applet PRIVATE tests/win32/helpers/password_applet.def)
target_compile_definitions(test_password_applet_noexport PRIVATE FLINDRA_APPLET_WITHOUT_VERIFY)

# The preview and password tests start flindra.scr and use these helpers.
add_dependencies(win32_tests flindra preview_host test_password_applet test_password_applet_noexport)

# flindra.scr imports only what Windows 7 SP1 has.
find_program(FLINDRA_MINGW_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)
add_test(NAME ImportsAreInWindows7
         COMMAND ${CMAKE_SOURCE_DIR}/tests/win32/check-imports ${FLINDRA_MINGW_OBJDUMP} $<TARGET_FILE:flindra>
                 ${CMAKE_SOURCE_DIR}/tests/win32/windows7_imports.txt)
set_tests_properties(ImportsAreInWindows7 PROPERTIES TIMEOUT 30)
