# Release files for Windows users (make release): the zip, the NSIS installer
# and their checksums in dist/, all named by the project version.
set(FLINDRA_DIST_DIR ${CMAKE_SOURCE_DIR}/dist CACHE PATH "Where make release puts its files")
add_custom_target(release
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-release ${PROJECT_VERSION} ${FLINDRA_HOME_PAGE} $<TARGET_FILE:flindra> ${FLINDRA_DIST_DIR}
  DEPENDS flindra
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
