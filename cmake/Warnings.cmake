# Warnings are attached per target through this interface library instead of global flags.
add_library(tarnix_warnings INTERFACE)
target_compile_options(tarnix_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(TARNIX_WERROR)
    target_compile_options(tarnix_warnings INTERFACE -Werror)
endif()

# Qt modules also get Qt's strict string casts.
add_library(tarnix_qt_strict INTERFACE)
target_compile_definitions(tarnix_qt_strict INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
                                                     QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

# tarnix_add_gtest(NAME sources... LIBS libs...) builds one GoogleTest binary and registers its cases.
function(tarnix_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main tarnix_warnings)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# tarnix_add_qtest(NAME sources... LIBS libs...) builds one Qt Test binary run on the offscreen platform.
function(tarnix_add_qtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test tarnix_warnings tarnix_qt_strict)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
