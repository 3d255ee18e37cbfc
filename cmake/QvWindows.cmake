# The Windows build (preset "windows", toolchain cmake/toolchains/
# x86_64-w64-mingw32.cmake): QVSO.dll, the service objects over the real
# Win32 API, and the programs that check it under Wine. Included by the
# top-level CMakeLists.txt, which stops after it.
#
# Built here: platform/ (the Win32 backends, a static library), the
# service-object libraries and QVSO.dll, the unit tests named in
# QV_WINE_TESTS, and windows/ (the Wine tests of the backends and the
# clients). The Linux-only parts (the prefix store, our COM runtime, udev,
# termios, Qt, the tools) are not.

# Windows 7 and later; <windows.h> without its rarely used parts; the C
# library's POSIX thread-safe time functions (localtime_r).
add_compile_definitions(_WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN
                        _POSIX_THREAD_SAFE_FUNCTIONS=200112L)
enable_language(RC)

# The C and C++ runtimes and winpthreads are linked statically, so QVSO.dll
# and the programs need nothing but system DLLs.
add_link_options(-static)

find_package(Threads REQUIRED)

include_directories(${PROJECT_SOURCE_DIR})

# The Linux test programs and the helpers they need are not built for
# Windows; the programs in QV_WINE_TESTS are (through qv_add_test below), and
# CTest runs each of them under Wine, the toolchain's emulator.
set(BUILD_TESTING OFF)
enable_testing()
set(QV_WINE_TESTS
  core_config_test
  escpos_cmd_test
  escpos_picture_dots_test
  escpos_translator_test
  printer_map_units_test)

# GoogleTest from its sources (Debian package googletest); there is no
# Windows build of the library to link.
set(QV_GOOGLETEST_SOURCE_DIR /usr/src/googletest
  CACHE PATH "GoogleTest sources built for the Windows tests")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${QV_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# (It defines the GTest:: names itself.)
foreach(lib gtest gtest_main gmock gmock_main)
  target_compile_options(${lib} PRIVATE -w)
endforeach()

# qv_add_test(NAME SOURCES src... LIBS lib... [LABELS label...])
#
# The Windows form of cmake/QvTest.cmake's function: builds the program only
# when NAME is in QV_WINE_TESTS and registers it as one CTest test run
# under Wine (labels "unit" and "wine").
function(qv_add_test name)
  if(NOT name IN_LIST QV_WINE_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  qv_add_wine_test(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS})
endfunction()

# qv_add_wine_test(NAME SOURCES src... LIBS lib...): a GoogleTest program run
# under Wine.
function(qv_add_wine_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock
                        Threads::Threads)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "unit;wine" TIMEOUT 300)
endfunction()

# No Qt and no Linux test helpers in the Windows build.
function(qv_add_gui_test)
endfunction()

add_subdirectory(platform)
add_subdirectory(test_support)
add_subdirectory(service_object)
add_subdirectory(windows)
