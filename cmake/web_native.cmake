# The page's portable parts built natively: their unit tests, and the tool
# that draws the native frame the browser's is compared with (make test-web).
# Included from native.cmake after the core.
add_library(flindra_page_core STATIC src/web/page_options.cpp src/web/page_field.cpp
            src/web/point_merge.cpp src/web/point_sprites.cpp src/web/matrix.cpp)
target_compile_options(flindra_page_core PRIVATE ${FLINDRA_WARNINGS})
target_link_libraries(flindra_page_core PUBLIC flindra_core)

add_executable(native_frame tests/web/native_frame.cpp)
target_compile_options(native_frame PRIVATE ${FLINDRA_WARNINGS})
target_include_directories(native_frame PRIVATE tests/core)
target_link_libraries(native_frame PRIVATE flindra_page_core flindra_core_offscreen)

add_executable(page_tests tests/web/test_page_options.cpp tests/web/test_point_merge.cpp tests/web/test_matrix.cpp
               tests/web/test_point_sprites.cpp)
target_compile_options(page_tests PRIVATE ${FLINDRA_WARNINGS})
target_include_directories(page_tests PRIVATE tests/core)
target_link_libraries(page_tests PRIVATE flindra_page_core flindra_core_offscreen GTest::gtest GTest::gtest_main)
gtest_discover_tests(page_tests PROPERTIES LABELS core TIMEOUT 60 ENVIRONMENT "${FLINDRA_SANITIZER_ENV}"
                     DISCOVERY_TIMEOUT 60)
