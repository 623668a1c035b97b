# Native build: the portable core against Mesa's offscreen OpenGL, its tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the benchmarks.
option(FLINDRA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
option(FLINDRA_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
option(FLINDRA_TESTS "Build the tests and benchmarks (OSMesa, GoogleTest); off for the Linux package alone" ON)

if(FLINDRA_FUZZ)
  add_subdirectory(tests/fuzz)
  return()
endif()

find_package(PkgConfig REQUIRED)
pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)

if(FLINDRA_SANITIZE)
  set(FLINDRA_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${FLINDRA_SAN_FLAGS})
  add_link_options(${FLINDRA_SAN_FLAGS})
endif()

include(cmake/core.cmake)
if(NOT FLINDRA_TESTS)
  include(cmake/linux.cmake)
  return()
endif()

# The core drawing offscreen: OSMesa exports the whole GL API; it must come
# before GLU's own libGL.
pkg_check_modules(OSMESA REQUIRED IMPORTED_TARGET osmesa)
add_library(flindra_core_offscreen INTERFACE)
target_link_libraries(flindra_core_offscreen INTERFACE flindra_core PkgConfig::OSMESA PkgConfig::GLU)

find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB FLINDRA_CORE_TESTS CONFIGURE_DEPENDS tests/core/*.cpp)
add_executable(core_tests ${FLINDRA_CORE_TESTS})
target_compile_options(core_tests PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(core_tests PRIVATE flindra_core_offscreen GTest::gtest GTest::gtest_main)
set(FLINDRA_SANITIZER_ENV
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/core/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
gtest_discover_tests(core_tests PROPERTIES LABELS core TIMEOUT 120 ENVIRONMENT "${FLINDRA_SANITIZER_ENV}"
                     DISCOVERY_TIMEOUT 60)

include(cmake/linux.cmake)
include(cmake/web_native.cmake)

if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
