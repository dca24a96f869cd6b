# The test run fuzzes every target for a few seconds. The targets live in a
# clang build of their own (scripts/fuzz --build, which scripts/test runs
# first); a target not built there is reported as skipped.
set(TOLVANE_FUZZ_TARGETS
    fuzz_description fuzz_description_memory fuzz_project fuzz_project_memory fuzz_symbols
    fuzz_texts fuzz_sbus_frames fuzz_sbus_udp fuzz_sbus_udp_memory fuzz_sbus_serial
    fuzz_sbus_serial_memory fuzz_reading_cycle fuzz_reading_cycle_memory fuzz_pcdsim_requests
    fuzz_pcdsim_requests_memory fuzz_pcdsim_setup fuzz_plant_uri)
# Seventeen targets take no longer than the eleven did at 5 s: the end-to-end ones
# run 3 s, their in-memory twins and the URI parser (thousands of runs a second) 1 s;
# scripts/fuzz-campaign is where they run long.
set(TOLVANE_FUZZ_SECONDS 3 CACHE STRING "Seconds each end-to-end fuzz target runs in the tests")
set(TOLVANE_FUZZ_MEMORY_SECONDS 1 CACHE STRING "Seconds each in-memory fuzz target runs in the tests")

find_program(TOLVANE_CLANGXX clang++)
if(TOLVANE_CLANGXX)
    foreach(target ${TOLVANE_FUZZ_TARGETS})
        set(seconds ${TOLVANE_FUZZ_SECONDS})
        if(target MATCHES "_memory$|^fuzz_plant_uri$")
            set(seconds ${TOLVANE_FUZZ_MEMORY_SECONDS})
        endif()
        add_test(NAME ${target}
            COMMAND ${PROJECT_SOURCE_DIR}/scripts/fuzz --run ${seconds} ${target}
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
        set_tests_properties(${target} PROPERTIES
            SKIP_RETURN_CODE 77 TIMEOUT 120 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endforeach()
endif()
