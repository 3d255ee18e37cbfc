# qv_add_test(NAME SOURCES src... LIBS lib... [LABELS label...])
#
# Builds one GoogleTest program and registers its tests with CTest. Tests that
# exercise threads against each other carry the label "concurrency"; CI runs
# those under ThreadSanitizer too.
function(qv_add_test name)
  if(NOT BUILD_TESTING)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main
                        GTest::gmock Threads::Threads)
  qv_register_gtests(${name} unit ${ARG_LABELS})
  if("concurrency" IN_LIST ARG_LABELS)
    set_property(GLOBAL APPEND PROPERTY QV_CONCURRENCY_TESTS ${name})
  endif()
endfunction()

# concurrency_tests: builds just the test programs labelled "concurrency" (and,
# through their dependencies, what they load at run time). The ThreadSanitizer
# preset builds only this.
function(qv_add_concurrency_target)
  get_property(tests GLOBAL PROPERTY QV_CONCURRENCY_TESTS)
  add_custom_target(concurrency_tests)
  if(tests)
    add_dependencies(concurrency_tests ${tests})
  endif()
endfunction()

# qv_add_gui_test(NAME SOURCES src... LIBS lib... [LABELS label...])
#
# Like qv_add_test, for tests of Qt widgets: the program's main starts a
# QApplication on the offscreen platform, so no display is needed.
function(qv_add_gui_test name)
  if(NOT BUILD_TESTING)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} qvopos_gui_test_main Qt6::Test
                        GTest::gtest GTest::gmock Threads::Threads)
  qv_register_gtests(${name} unit gui ${ARG_LABELS})
endfunction()

# qv_register_gtests(NAME label...)
#
# Registers the tests of one GoogleTest program with CTest under the given
# labels. A list in gtest_discover_tests' PROPERTIES loses all but its first
# element on its way through test discovery, so the labels are set by a
# script that runs after discovery.
function(qv_register_gtests name)
  set(labels ${ARGN})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
  set(label_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
  file(WRITE ${label_script}
    "foreach(t IN LISTS ${name}_TESTS)\n"
    "  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${labels}\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_script})
endfunction()
