# Run at build time after a Qt Test binary links: lists its test functions (-functions) and writes one
# ctest entry per function, so a failure names what failed and each function can be run on its own.
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
                        ${TEST_EXECUTABLE} -functions
                OUTPUT_VARIABLE listing RESULT_VARIABLE status TIMEOUT 60)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TEST_EXECUTABLE} -functions failed (${status}):\n${listing}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(content "")
set(count 0)
foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\\(\\)$")
        set(function ${CMAKE_MATCH_1})
        string(APPEND content
               "add_test([=[${TEST_TARGET}.${function}]=] [=[${TEST_EXECUTABLE}]=] [=[${function}]=])\n"
               "set_tests_properties([=[${TEST_TARGET}.${function}]=] PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)\n")
        math(EXPR count "${count} + 1")
    endif()
endforeach()
if(count EQUAL 0)
    message(FATAL_ERROR "${TEST_EXECUTABLE} lists no test function")
endif()
file(WRITE "${CTEST_FILE}" "${content}")
