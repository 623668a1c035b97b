# The page: the portable core and the page's glue compiled to WebAssembly by
# emscripten, the core's OpenGL calls carried by the WebGL layer. Writes
# dist/web/: the page, flindra.js and flindra.wasm, the web app manifest with
# its icons and the service worker that keeps them all for offline visits.
include(cmake/core.cmake)
# The layer's GL/gl.h and GL/glu.h come before the system's, for the core too.
target_include_directories(flindra_core BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/src/web/gl)

set(FLINDRA_WEB_DIR ${CMAKE_SOURCE_DIR}/dist/web)
add_executable(flindra_page
               src/web/page.cpp src/web/page_options.cpp src/web/page_field.cpp
               src/web/fixed_function.cpp src/web/matrix.cpp src/web/point_merge.cpp src/web/point_sprites.cpp
               src/web/webgl_draw.cpp)
target_compile_options(flindra_page PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(flindra_page PRIVATE flindra_core)
set_target_properties(flindra_page PROPERTIES OUTPUT_NAME flindra SUFFIX .js
                      RUNTIME_OUTPUT_DIRECTORY ${FLINDRA_WEB_DIR})
target_link_options(flindra_page PRIVATE
                    -sENVIRONMENT=web -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1 -sFILESYSTEM=0
                    -sALLOW_MEMORY_GROWTH=1 -sEXPORTED_RUNTIME_METHODS=[ccall])

# The address goes into the page's links as it is.
if(NOT FLINDRA_HOME_PAGE MATCHES "^https?://[^\"'<>& ]+/$")
  message(FATAL_ERROR "FLINDRA_HOME_PAGE '${FLINDRA_HOME_PAGE}' is not an http(s) address ending in /")
endif()
# The page's download links: in dist/web at the home page (where make site's
# folder is hosted), in that folder beside the page.
set(FLINDRA_DOWNLOADS ${FLINDRA_HOME_PAGE})
configure_file(src/web/index.html ${FLINDRA_WEB_DIR}/index.html @ONLY)
set(FLINDRA_DOWNLOADS "")
configure_file(src/web/index.html ${CMAKE_BINARY_DIR}/site/index.html @ONLY)
foreach(file page.js page.css manifest.webmanifest)
  configure_file(src/web/${file} ${FLINDRA_WEB_DIR}/${file} COPYONLY)
endforeach()

# Flindra's icon for the manifest, from the icon file's first (largest,
# 256-pixel) image.
find_program(FLINDRA_CONVERT convert REQUIRED)
foreach(size 192 512)
  add_custom_command(OUTPUT ${FLINDRA_WEB_DIR}/icon-${size}.png
                     COMMAND ${FLINDRA_CONVERT} ${CMAKE_SOURCE_DIR}/src/win32/flindra.ico[0]
                             -resize ${size}x${size} -strip ${FLINDRA_WEB_DIR}/icon-${size}.png
                     DEPENDS ${CMAKE_SOURCE_DIR}/src/win32/flindra.ico VERBATIM)
endforeach()

# The service worker, named after what it keeps so that any change makes a new one.
add_custom_command(OUTPUT ${FLINDRA_WEB_DIR}/sw.js
                   COMMAND ${CMAKE_COMMAND} -DWEB_DIR=${FLINDRA_WEB_DIR}
                           -DSITE_INDEX=${CMAKE_BINARY_DIR}/site/index.html
                           -DTEMPLATE=${CMAKE_SOURCE_DIR}/src/web/sw.js -DVERSION=${PROJECT_VERSION}
                           -P ${CMAKE_SOURCE_DIR}/cmake/web_service_worker.cmake
                   DEPENDS flindra_page ${CMAKE_SOURCE_DIR}/src/web/sw.js
                           ${CMAKE_SOURCE_DIR}/cmake/web_service_worker.cmake
                           ${FLINDRA_WEB_DIR}/index.html ${FLINDRA_WEB_DIR}/page.js ${FLINDRA_WEB_DIR}/page.css
                           ${FLINDRA_WEB_DIR}/manifest.webmanifest ${FLINDRA_WEB_DIR}/icon-192.png
                           ${FLINDRA_WEB_DIR}/icon-512.png
                   VERBATIM)
add_custom_target(flindra_page_offline ALL DEPENDS ${FLINDRA_WEB_DIR}/sw.js)
