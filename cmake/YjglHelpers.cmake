# Three kinds of library. Core libraries hold logic without windows and may link Qt Core and
# Sql only, directly or through anything they link; page libraries draw (Qt Gui) but open no
# window and no print dialog; widget libraries hold the windows. Every include starts at src/
# and names the layer ("db/Connection.h").
function(_yjgl_library name kind)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${YJGL_SOURCE_DIR}/src)
    set_property(TARGET ${name} PROPERTY YJGL_KIND ${kind})
    set_property(GLOBAL APPEND PROPERTY YJGL_LIBRARIES ${name})
    if(kind STREQUAL "core")
        target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_LIBS})
    elseif(kind STREQUAL "pages")
        target_link_libraries(${name} PUBLIC Qt6::Gui ${ARG_LIBS})
    else()
        target_link_libraries(${name} PUBLIC Qt6::Widgets ${ARG_LIBS})
    endif()
endfunction()

function(yjgl_core_library name)
    _yjgl_library(${name} core ${ARGN})
endfunction()

function(yjgl_pages_library name)
    _yjgl_library(${name} pages ${ARGN})
endfunction()

function(yjgl_widget_library name)
    _yjgl_library(${name} widget ${ARGN})
endfunction()

# A shared library `target` calls but loads at its first use (LateLibrary) instead of linking it:
# the target compiles against the library's headers and gets its soname as the text `macro`.
# `library` is the library's file (libpq.so); any further arguments are its header folders.
function(yjgl_late_library target macro library)
    execute_process(COMMAND readelf -d ${library} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
    string(REGEX MATCH "Library soname: \\[([^]]+)\\]" found "${dynamic}")
    if(failed OR NOT found)
        message(FATAL_ERROR "No soname found in ${library}")
    endif()
    target_compile_definitions(${target} PRIVATE ${macro}="${CMAKE_MATCH_1}")
    if(ARGN)
        target_include_directories(${target} PRIVATE ${ARGN})
    endif()
endfunction()

# Walks the whole link chain of a target; a library matching `forbidden` anywhere below it is
# returned as the chain that reaches it.
function(_yjgl_forbidden_link target chain forbidden result)
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
        if(lib MATCHES "${forbidden}" OR (aliased AND aliased MATCHES "${forbidden}"))
            set(${result} "${chain};${lib}" PARENT_SCOPE)
            return()
        endif()
        _yjgl_forbidden_link(${lib} "${chain};${lib}" "${forbidden}" found)
        if(found)
            set(${result} "${found}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
endfunction()

# The project's own libraries a target links directly.
function(_yjgl_direct_links target result)
    set(libs)
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        get_target_property(found ${target} ${property})
        if(found)
            list(APPEND libs ${found})
        endif()
    endforeach()
    set(own)
    foreach(lib IN LISTS libs)
        if(TARGET ${lib})
            get_target_property(kind ${lib} YJGL_KIND)
            if(kind)
                list(APPEND own ${lib})
            endif()
        endif()
    endforeach()
    list(REMOVE_DUPLICATES own)
    set(${result} "${own}" PARENT_SCOPE)
endfunction()

# Called once every target exists (end of the top-level CMakeLists) with the project's libraries
# from the bottom layer up. Stops the configuration when a core library reaches a Gui, window or
# print library, a page library a window or print library, or a library links one listed after
# it (a lower layer reaching up); every library must be listed.
function(yjgl_check_libraries)
    set(layers ${ARGN})
    get_property(libraries GLOBAL PROPERTY YJGL_LIBRARIES)
    foreach(library IN LISTS libraries)
        list(FIND layers ${library} rank)
        if(rank EQUAL -1)
            message(FATAL_ERROR "${library} has no place in the layers given to yjgl_check_libraries")
        endif()
        get_target_property(kind ${library} YJGL_KIND)
        if(kind STREQUAL "core")
            _yjgl_forbidden_link(${library} "${library}" "Widgets|PrintSupport|Gui|WebEngine" found)
            set(what "holds logic without windows and must not link a Gui or window library")
        elseif(kind STREQUAL "pages")
            _yjgl_forbidden_link(${library} "${library}" "Widgets|PrintSupport|WebEngine" found)
            set(what "draws pages without windows and must not link a window or print library")
        else()
            set(found "")
        endif()
        if(found)
            string(REPLACE ";" " -> " path "${found}")
            message(FATAL_ERROR "${library} ${what}: ${path}")
        endif()
        _yjgl_direct_links(${library} links)
        foreach(lib IN LISTS links)
            list(FIND layers ${lib} below)
            if(below GREATER_EQUAL rank)
                message(FATAL_ERROR "${library} must not link ${lib}: a lower layer never links a higher one")
            endif()
        endforeach()
    endforeach()
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

# Registers a test built by yjgl_add_test once more, as NAME_odbc, on the PostgreSQL test server
# reached through unixODBC and psqlODBC (tests/run-on-odbc.sh); skipped when no server runs.
function(yjgl_test_on_odbc name)
    if(NOT YJGL_ODBC_TESTS)
        return()
    endif()
    add_test(NAME ${name}_odbc COMMAND sh ${YJGL_SOURCE_DIR}/tests/run-on-odbc.sh $<TARGET_FILE:${name}>)
    set_tests_properties(${name}_odbc PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;YJGL_SOURCE_DIR=${YJGL_SOURCE_DIR};LC_ALL=C.UTF-8"
        SKIP_RETURN_CODE 77
        TIMEOUT 300)
endfunction()

# A test of printing on the CUPS test server that scripts/test.sh starts (tests/run-on-cups.sh
# points it there); skipped when no server runs.
function(yjgl_add_print_system_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test yjgl_testsupport ${ARG_LIBS})
    add_test(NAME ${name} COMMAND sh ${YJGL_SOURCE_DIR}/tests/run-on-cups.sh $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;YJGL_SOURCE_DIR=${YJGL_SOURCE_DIR};LC_ALL=C.UTF-8"
        SKIP_RETURN_CODE 77
        TIMEOUT 300)
endfunction()
