# Release files for Windows users (make release): the zip, the NSIS installer
# and their checksums in dist/, all named by the project version.
set(FLINDRA_DIST_DIR ${CMAKE_SOURCE_DIR}/dist CACHE PATH "Where make release puts its files")

# The installer's own NSIS plugin (flindra_setup.dll): what it does, apart
# from the plugin interface, is a library the release tests link too.
add_library(flindra_setup_logic STATIC packaging/setup_plugin/pending_renames.cpp
                                       packaging/setup_plugin/pending_registry.cpp
                                       packaging/setup_plugin/same_file.cpp
                                       packaging/setup_plugin/install_folder.cpp)
target_include_directories(flindra_setup_logic PUBLIC packaging)
target_compile_definitions(flindra_setup_logic PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_compile_options(flindra_setup_logic PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(flindra_setup_logic PUBLIC version)
add_library(flindra_setup MODULE packaging/setup_plugin/plugin.cpp)
set_target_properties(flindra_setup PROPERTIES PREFIX "")
target_compile_options(flindra_setup PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(flindra_setup PRIVATE flindra_setup_logic)
target_link_options(flindra_setup PRIVATE ${FLINDRA_STATIC_LINK} ${FLINDRA_REPRODUCIBLE_LINK})

add_custom_target(release
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-release ${PROJECT_VERSION} ${FLINDRA_HOME_PAGE} $<TARGET_FILE:flindra>
          $<TARGET_FILE:flindra_setup> ${FLINDRA_DIST_DIR}
  DEPENDS flindra flindra_setup
  COMMENT "Release ${PROJECT_VERSION}: zip, installer and SHA256SUMS in ${FLINDRA_DIST_DIR}"
  VERBATIM)

# Helpers of the release tests (make test-release): a program that follows
# setting changes, and one that goes through the installer's pages.
foreach(helper IN ITEMS setting_change_probe installer_pilot)
  add_executable(${helper} EXCLUDE_FROM_ALL tests/release/${helper}.cpp)
  target_compile_definitions(${helper} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_compile_options(${helper} PRIVATE ${FLINDRA_WARNINGS})
  target_link_options(${helper} PRIVATE ${FLINDRA_STATIC_LINK})
endforeach()
# The cancelling of pending deletes against the release prefix's registry.
add_executable(pending_renames_test EXCLUDE_FROM_ALL tests/release/pending_renames_test.cpp)
target_compile_options(pending_renames_test PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(pending_renames_test PRIVATE flindra_setup_logic gtest gtest_main)
target_link_options(pending_renames_test PRIVATE ${FLINDRA_STATIC_LINK})
