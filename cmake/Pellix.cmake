# pellix_library(name SOURCES ... LIBS ...): one static library per folder.
function(pellix_library name)
  cmake_parse_arguments(PL "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${PL_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${PL_LIBS})
endfunction()

# pellix_test(target LABEL folder [GUI] [ONE_PROCESS] SOURCES ... LIBS ...):
# a GoogleTest executable whose cases CTest runs one process each, labelled by folder.
# ONE_PROCESS also runs all of them in one process, which shows cases that depend on
# what an earlier case left behind.
function(pellix_test target)
  cmake_parse_arguments(PT "GUI;ONE_PROCESS" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${PT_SOURCES})
  if(PT_GUI)
    target_link_libraries(${target} PRIVATE pellix_test_main_gui)
  else()
    target_link_libraries(${target} PRIVATE pellix_test_main_core)
  endif()
  target_link_libraries(${target} PRIVATE ${PT_LIBS} GTest::gtest GTest::gmock)
  if(NOT PT_TIMEOUT)
    set(PT_TIMEOUT 60)
  endif()
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${PT_LABEL} TIMEOUT ${PT_TIMEOUT}
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(PT_ONE_PROCESS)
    add_test(NAME ${target}.OneProcess COMMAND ${target})
    set_tests_properties(${target}.OneProcess PROPERTIES
      LABELS ${PT_LABEL} TIMEOUT ${PT_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()
