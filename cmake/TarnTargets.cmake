# Helpers shared by every folder: plug-ins, host modules and tests.

# add_tarn_plugin(NAME <deliverable> SOURCES ... [LINKS ...])
# Builds build/plugins/<deliverable>.so (no "lib" prefix) against libtarn.so. Symbols are hidden;
# only the entry points marked with TARN_PLUGIN_EXPORT are visible.
function(add_tarn_plugin)
    cmake_parse_arguments(P "" "NAME" "SOURCES;LINKS" ${ARGN})
    _tarn_plugin_library(${P_NAME} "${P_SOURCES}" "${P_LINKS}")
    # Listed for tarn_all_plugins (the target that builds every deliverable plug-in).
    set_property(GLOBAL APPEND PROPERTY TARN_PLUGIN_TARGETS ${P_NAME})
endfunction()

function(_tarn_plugin_library P_NAME P_SOURCES P_LINKS)
    add_library(${P_NAME} MODULE ${P_SOURCES})
    set_target_properties(${P_NAME} PROPERTIES
        PREFIX ""
        OUTPUT_NAME ${P_NAME}
        LIBRARY_OUTPUT_DIRECTORY ${TARN_PLUGIN_DIR}
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    target_link_libraries(${P_NAME} PRIVATE tarn ${P_LINKS})
    target_link_options(${P_NAME} PRIVATE ${TARN_NO_UNDEFINED})
endfunction()

# add_tarn_test_plugin(NAME <name> SOURCES ...): a plug-in built only for the tests, into
# build/test-plugins.
function(add_tarn_test_plugin)
    cmake_parse_arguments(P "" "NAME" "SOURCES;LINKS" ${ARGN})
    _tarn_plugin_library(${P_NAME} "${P_SOURCES}" "${P_LINKS}")
    set_target_properties(${P_NAME} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${TARN_TEST_PLUGIN_DIR})
endfunction()

# add_tarn_test(NAME <name> SOURCES ... [LINKS ...] [DEPENDS ...])
# One GoogleTest executable, registered with CTest as one test. Tests find the built plug-ins
# through TARN_PLUGIN_DIR and TARN_TEST_PLUGIN_DIR, and the source tree through TARN_SOURCE_DIR.
function(add_tarn_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LINKS;DEPENDS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${T_NAME} PRIVATE ${T_LINKS} GTest::gtest GTest::gtest_main GTest::gmock)
    target_compile_definitions(${T_NAME} PRIVATE
        TARN_PLUGIN_DIR="${TARN_PLUGIN_DIR}"
        TARN_TEST_PLUGIN_DIR="${TARN_TEST_PLUGIN_DIR}"
        TARN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        TARN_BINARY_DIR="${CMAKE_BINARY_DIR}")
    if(T_DEPENDS)
        add_dependencies(${T_NAME} ${T_DEPENDS})
    endif()
    # Tests that use the host end its session after the last test (plug-ins unloaded, scene
    # freed), so that leak detection reports only real leaks.
    foreach(host_lib tarn import_tarn tarn_fuzz_harness)
        if(host_lib IN_LIST T_LINKS)
            target_link_libraries(${T_NAME} PRIVATE tarn_test_shutdown)
            break()
        endif()
    endforeach()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "TARN_PREFS=${CMAKE_BINARY_DIR}/tests/${T_NAME}.prefs")
endfunction()

# add_tarn_bench(NAME <name> SOURCES ... [LINKS ...]): a Google Benchmark executable in
# build/bench (not run by the tests).
function(add_tarn_bench)
    cmake_parse_arguments(B "" "NAME" "SOURCES;LINKS;DEPENDS" ${ARGN})
    add_executable(${B_NAME} ${B_SOURCES})
    set_target_properties(${B_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
    target_link_libraries(${B_NAME} PRIVATE ${B_LINKS} benchmark::benchmark)
    target_compile_definitions(${B_NAME} PRIVATE TARN_PLUGIN_DIR="${TARN_PLUGIN_DIR}"
        TARN_TEST_PLUGIN_DIR="${TARN_TEST_PLUGIN_DIR}")
    if(B_DEPENDS)
        add_dependencies(${B_NAME} ${B_DEPENDS})
    endif()
endfunction()

# add_tarn_module(NAME <module> SOURCES ... [LINKS ...]): one concern of the host, compiled into
# libtarn.so. Modules are object libraries so that libtarn.so holds them all.
function(add_tarn_module)
    cmake_parse_arguments(M "" "NAME" "SOURCES;LINKS" ${ARGN})
    add_library(${M_NAME} OBJECT ${M_SOURCES})
    target_link_libraries(${M_NAME} PUBLIC tarn_headers ${M_LINKS})
    target_compile_definitions(${M_NAME} PRIVATE TARN_BUILDING_HOST)
    # Calls between the library's own exported functions bind directly instead of through the
    # PLT: nothing is meant to interpose on libtarn's symbols, and per-sample paths cross them.
    target_compile_options(${M_NAME} PRIVATE -fno-semantic-interposition)
    set_property(GLOBAL APPEND PROPERTY TARN_HOST_MODULES ${M_NAME})
endfunction()
