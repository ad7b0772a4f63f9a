# Helpers that keep the folder CMakeLists files short.

# tolva_add_module(<folder> [LIBS <libraries>...])
# Builds every .cpp of <folder> (main.cpp excepted) into the static library tolva_<folder>.
# New files are picked up without editing CMake. Includes are written from the source root
# ("core/Engine.h").
function(tolva_add_module folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(tolva_${folder} STATIC ${sources})
    target_include_directories(tolva_${folder} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(tolva_${folder} PUBLIC ${ARG_LIBS})
  else()
    # A folder whose first source has not been written yet.
    add_library(tolva_${folder} INTERFACE)
    target_include_directories(tolva_${folder} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(tolva_${folder} INTERFACE ${ARG_LIBS})
  endif()
endfunction()

# tolva_add_test(<name> SOURCES <files>... LIBS <libraries>... [TIMEOUT <seconds>])
# A GoogleTest executable test_<name>; every test case runs as its own CTest test, in its own
# process, so engine singletons never leak from one case into the next. Tests that open a window
# need no flag: test.sh runs CTest under one Xvfb server when there is no display.
function(tolva_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(test_${name} ${ARG_SOURCES})
  target_link_libraries(test_${name} PRIVATE ${ARG_LIBS} tolva_testsupport GTest::gtest GTest::gmock)
  set_target_properties(test_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The discovery script splits list-valued properties into separate arguments, so each test gets
  # one label and one environment entry here; test.sh exports the rest (PYTHONDONTWRITEBYTECODE).
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES
      TIMEOUT ${ARG_TIMEOUT}
      LABELS ${name}
      ENVIRONMENT ALSOFT_DRIVERS=null)
endfunction()
