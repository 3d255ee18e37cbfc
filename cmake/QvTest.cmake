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
  set(labels unit ${ARG_LABELS})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" TIMEOUT 300)
endfunction()
