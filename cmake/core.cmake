# The portable core, the same sources in every build. It links no OpenGL of
# its own: each program or test brings the one it draws with (opengl32 on
# Windows, GLX's libGL on Linux, OSMesa offscreen in the tests).
file(GLOB FLINDRA_CORE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/core/*.cpp)
if(EMSCRIPTEN)
  # The page dims through its canvas's opacity and shows the frame rate in
  # HTML, and the WebGL layer draws points only: it has no use for a dimming
  # quad, a bitmap font or the frame that composes them.
  list(REMOVE_ITEM FLINDRA_CORE_SOURCES ${CMAKE_SOURCE_DIR}/src/core/dim_frame.cpp
       ${CMAKE_SOURCE_DIR}/src/core/frame_rate_text.cpp ${CMAKE_SOURCE_DIR}/src/core/composited_frame.cpp)
endif()
add_library(flindra_core STATIC ${FLINDRA_CORE_SOURCES})
target_include_directories(flindra_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(flindra_core PRIVATE ${FLINDRA_WARNINGS})
