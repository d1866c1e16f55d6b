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

# tarnix_add_qtest(NAME sources... LIBS libs...) builds one Qt Test binary run on the offscreen platform
# and registers each of its test functions as a ctest entry of its own (NAME.function).
set(TARNIX_QTEST_DISCOVERY ${CMAKE_CURRENT_LIST_DIR}/QtTestDiscovery.cmake)
function(tarnix_add_qtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test tarnix_warnings tarnix_qt_strict)
    set(ctest_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_functions.cmake)
    add_custom_command(TARGET ${name} POST_BUILD
                       COMMAND ${CMAKE_COMMAND} -D TEST_TARGET=${name} -D TEST_EXECUTABLE=$<TARGET_FILE:${name}>
                               -D CTEST_FILE=${ctest_file} -P ${TARNIX_QTEST_DISCOVERY}
                       BYPRODUCTS ${ctest_file} VERBATIM)
    # A binary not built yet shows as one failing entry instead of breaking ctest's listing.
    set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_include.cmake)
    file(WRITE ${include_file}
         "if(EXISTS \"${ctest_file}\")\n  include(\"${ctest_file}\")\n"
         "else()\n  add_test(${name}_NOT_BUILT ${name}_NOT_BUILT)\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
