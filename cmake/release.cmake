# Release files for Windows users (make release): the zip, the NSIS installer
# and their checksums in dist/, all named by the project version.
set(FLINDRA_DIST_DIR ${CMAKE_SOURCE_DIR}/dist CACHE PATH "Where make release puts its files")
add_custom_target(release
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-release ${PROJECT_VERSION} $<TARGET_FILE:flindra> ${FLINDRA_DIST_DIR}
  DEPENDS flindra
  COMMENT "Release ${PROJECT_VERSION}: zip, installer and SHA256SUMS in ${FLINDRA_DIST_DIR}"
  VERBATIM)
