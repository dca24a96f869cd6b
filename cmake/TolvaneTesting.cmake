# tolvane_add_test(<name> SOURCES ... LIBS ...)
# One GoogleTest executable per module; widget tests run offscreen and every
# test finds its fixtures through TOLVANE_TEST_DATA.
function(tolvane_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock
        Qt6::Core Qt6::Test Tolvane::test_support Tolvane::warnings)
    # A test that warns is a test to fix.
    target_compile_options(${name} PRIVATE -Werror)
    target_compile_definitions(${name} PRIVATE
        TOLVANE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
        TOLVANE_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
endfunction()
