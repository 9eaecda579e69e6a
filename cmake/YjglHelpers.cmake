# Libraries that hold logic without windows may link Qt Core and Sql only, directly or through
# anything they link. Every include starts at src/ and names the layer ("db/Connection.h").
function(yjgl_core_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${YJGL_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_LIBS})
    set_property(GLOBAL APPEND PROPERTY YJGL_CORE_LIBRARIES ${name})
endfunction()

# Walks the whole link chain of a target; a window library anywhere below a core library is an error.
function(_yjgl_forbidden_link target chain result)
    set(${result} "" PARENT_SCOPE)
    set(libs)
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(direct ${target} LINK_LIBRARIES)
        if(direct)
            list(APPEND libs ${direct})
        endif()
    endif()
    get_target_property(iface ${target} INTERFACE_LINK_LIBRARIES)
    if(iface)
        list(APPEND libs ${iface})
    endif()
    list(REMOVE_DUPLICATES libs)
    foreach(lib IN LISTS libs)
        if(lib MATCHES "^\\$<" OR NOT TARGET ${lib} OR lib IN_LIST chain)
            continue()
        endif()
        get_target_property(aliased ${lib} ALIASED_TARGET)
        if(lib MATCHES "Widgets|PrintSupport|Gui|WebEngine" OR (aliased AND aliased MATCHES "Widgets|PrintSupport|Gui"))
            set(${result} "${chain};${lib}" PARENT_SCOPE)
            return()
        endif()
        _yjgl_forbidden_link(${lib} "${chain};${lib}" found)
        if(found)
            set(${result} "${found}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
endfunction()

# Called once every target exists (end of the top-level CMakeLists).
function(yjgl_check_core_libraries)
    get_property(cores GLOBAL PROPERTY YJGL_CORE_LIBRARIES)
    foreach(core IN LISTS cores)
        _yjgl_forbidden_link(${core} "${core}" found)
        if(found)
            string(REPLACE ";" " -> " path "${found}")
            message(FATAL_ERROR "${core} holds logic without windows and must not link a window library: ${path}")
        endif()
    endforeach()
endfunction()

function(yjgl_widget_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${YJGL_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC Qt6::Widgets ${ARG_LIBS})
endfunction()

# One test executable per source file group; runs offscreen with its own program folder.
function(yjgl_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test yjgl_testsupport ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;YJGL_SOURCE_DIR=${YJGL_SOURCE_DIR};LC_ALL=C.UTF-8"
        TIMEOUT 300)
endfunction()

# Registers a test built by yjgl_add_test a second time, as NAME_pg, on the PostgreSQL test
# server (its fixtures read YJGL_TEST_ENGINE); skipped when no server runs.
function(yjgl_test_on_postgresql name)
    add_test(NAME ${name}_pg COMMAND sh ${YJGL_SOURCE_DIR}/tests/run-on-postgresql.sh $<TARGET_FILE:${name}>)
    set_tests_properties(${name}_pg PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;YJGL_SOURCE_DIR=${YJGL_SOURCE_DIR};LC_ALL=C.UTF-8"
        SKIP_RETURN_CODE 77
        TIMEOUT 300)
endfunction()
