# Unit tests: one GoogleTest executable per subsystem folder under tests/.
if(WIN32)
  # mingw: build GoogleTest from the Debian source package.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Warnings as errors are for our code, not for GoogleTest's.
  foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE $<IF:$<BOOL:${MSVC}>,/WX-,-Wno-error>)
    endif()
  endforeach()
  set(LUMIVANE_GTEST_MAIN GTest::gtest_main)
  if(NOT TARGET GTest::gtest_main)
    set(LUMIVANE_GTEST_MAIN gtest_main)
  endif()
  set(LUMIVANE_GMOCK gmock)
else()
  find_package(GTest REQUIRED)
  set(LUMIVANE_GTEST_MAIN GTest::gtest_main)
  set(LUMIVANE_GMOCK GTest::gmock)
endif()

function(lumivane_test_suite name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} ${LUMIVANE_GMOCK} ${LUMIVANE_GTEST_MAIN})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    LUMIVANE_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
  if(WIN32)
    target_link_options(${name} PRIVATE -static)
  endif()
  # One ctest entry per suite keeps Wine start-up to once per executable.
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
endfunction()

if(WIN32)
  lumivane_test_suite(lumivane_win32_tests win32 lumivane_core lumivane_win32 lumivane_sim version)
  # The monitor configuration contract runs against the DDC/CI simulator.
  if(TARGET lumivane_win32_tests AND TARGET ddcsim)
    add_dependencies(lumivane_win32_tests ddcsim)
  endif()
  # The version resource is read from the program built next to the tests.
  if(TARGET lumivane_win32_tests AND TARGET lumivane)
    add_dependencies(lumivane_win32_tests lumivane)
  endif()
else()
  lumivane_test_suite(lumivane_assoc_tests assoc lumivane_assoc lumivane_sim)
  lumivane_test_suite(lumivane_devices_tests devices lumivane_devices lumivane_sim)
  lumivane_test_suite(lumivane_controller_tests controller lumivane_core lumivane_sim)
  # The ports' contracts against the simulated adapters; tests/win32 runs them against Windows.
  lumivane_test_suite(lumivane_contract_tests contract lumivane_core lumivane_sim)
  lumivane_test_suite(lumivane_platform_tests platform lumivane_ports)
endif()

# The include rule: the real tree passes; a port that includes the controller, and portable code
# that includes <windows.h>, are refused.
if(NOT WIN32)
  add_test(NAME layers_src COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_CURRENT_SOURCE_DIR}/src
    -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CheckLayers.cmake)
  add_test(NAME layers_refuse_up_include COMMAND ${CMAKE_COMMAND}
    -DSRC=${CMAKE_CURRENT_SOURCE_DIR}/tests/data/layers/up_include
    -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CheckLayers.cmake)
  set_tests_properties(layers_refuse_up_include PROPERTIES
    PASS_REGULAR_EXPRESSION "platform/Port.h: includes \"controller/Thing.h\" \\(platform may not use controller\\)")
  add_test(NAME layers_refuse_windows_header COMMAND ${CMAKE_COMMAND}
    -DSRC=${CMAKE_CURRENT_SOURCE_DIR}/tests/data/layers/windows_header
    -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CheckLayers.cmake)
  set_tests_properties(layers_refuse_windows_header PROPERTIES
    PASS_REGULAR_EXPRESSION "devices/Writer.cpp: includes <windows.h> outside the Windows adapters")
endif()
