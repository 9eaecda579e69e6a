# Libraries that hold logic without windows may link Qt Core and Sql only.
# The check runs at generate time so a stray Widgets dependency fails the build.
function(yjgl_core_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_LIBS})
    foreach(lib IN LISTS ARG_LIBS)
        if(lib MATCHES "Widgets|PrintSupport|Gui")
            message(FATAL_ERROR "${name} holds logic without windows and must not link ${lib}")
        endif()
    endforeach()
endfunction()

function(yjgl_widget_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
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
