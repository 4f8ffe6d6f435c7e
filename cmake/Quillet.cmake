# Helpers shared by every folder's CMakeLists.txt.
#
#   quillet_library(NAME SOURCES ... [LIBS ...])          a static library
#   quillet_test(NAME SOURCES ... [LIBS ...] [ENV k=v ...] [ARGS ...])
#       a GoogleTest executable, registered as one CTest entry (Windows trees: run under Wine)
#   quillet_test_variant(NAME EXE [ENV ...] [ARGS ...])  another CTest entry for an existing test executable
#   quillet_tool(NAME SOURCES ... [LIBS ...])             an executable in <tree>/bin

include_guard(GLOBAL)

function(quillet_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_LIBS})
endfunction()

function(quillet_tool name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
endfunction()

function(quillet_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS;ENV;ARGS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    QUILLET_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUILLET_FIXTURE_DIR="${QUILLET_FIXTURE_DIR}"
    QUILLET_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  add_test(NAME ${name} COMMAND ${name} ${A_ARGS})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT})
  if(A_ENV)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${A_ENV}")
  endif()
  if(A_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}")
  endif()
endfunction()

function(quillet_test_variant name exe)
  cmake_parse_arguments(A "" "TIMEOUT" "ENV;ARGS" ${ARGN})
  add_test(NAME ${name} COMMAND ${exe} ${A_ARGS})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT})
  if(A_ENV)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${A_ENV}")
  endif()
endfunction()
