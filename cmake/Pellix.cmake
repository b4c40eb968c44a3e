# pellix_library(name SOURCES ... LIBS ...): one static library per folder.
function(pellix_library name)
  cmake_parse_arguments(PL "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${PL_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${PL_LIBS})
endfunction()

# pellix_test(target LABEL folder [GUI] SOURCES ... LIBS ...):
# a GoogleTest executable whose cases CTest runs one process each, labelled by folder.
function(pellix_test target)
  cmake_parse_arguments(PT "GUI" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
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
endfunction()
