# The page: the portable core and the page's glue compiled to WebAssembly by
# emscripten, the core's OpenGL calls carried by the WebGL layer. Writes
# dist/web/: the page, flindra.js and flindra.wasm.
include(cmake/core.cmake)
# The layer's GL/gl.h and GL/glu.h come before the system's, for the core too.
target_include_directories(flindra_core BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/src/web/gl)

set(FLINDRA_WEB_DIR ${CMAKE_SOURCE_DIR}/dist/web)
add_executable(flindra_page
               src/web/page.cpp src/web/page_options.cpp src/web/page_field.cpp src/web/beat.cpp
               src/web/fixed_function.cpp src/web/matrix.cpp src/web/point_merge.cpp src/web/webgl_draw.cpp src/x11/options.cpp)
target_compile_options(flindra_page PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(flindra_page PRIVATE flindra_core)
set_target_properties(flindra_page PROPERTIES OUTPUT_NAME flindra SUFFIX .js
                      RUNTIME_OUTPUT_DIRECTORY ${FLINDRA_WEB_DIR})
target_link_options(flindra_page PRIVATE
                    -sENVIRONMENT=web -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1 -sFILESYSTEM=0
                    -sALLOW_MEMORY_GROWTH=1 -sEXPORTED_RUNTIME_METHODS=[ccall])

foreach(file index.html page.js page.css)
  configure_file(src/web/${file} ${FLINDRA_WEB_DIR}/${file} COPYONLY)
endforeach()
