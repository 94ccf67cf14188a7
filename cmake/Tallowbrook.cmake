# Shared build helpers.

# Warnings for every target of the project.
function(tb_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# A subsystem library: every .cpp/.h of its folder (relative to src/), include root src/.
function(tb_add_library target dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp
       ${PROJECT_SOURCE_DIR}/src/${dir}/*.h)
  add_library(${target} STATIC ${_sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_LIBS})
  tb_warnings(${target})
endfunction()

# A QtTest executable registered with CTest, run offscreen with its own HOME.
function(tb_add_test)
  cmake_parse_arguments(ARG "" "NAME;RESOURCE_LOCK;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE Qt6::Test ${ARG_LIBS})
  target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  tb_warnings(${ARG_NAME})
  add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
  set(_env "QT_QPA_PLATFORM=offscreen" "TB_SOURCE_DIR=${PROJECT_SOURCE_DIR}" ${ARG_ENV})
  set_tests_properties(${ARG_NAME} PROPERTIES ENVIRONMENT "${_env}")
  if(ARG_RESOURCE_LOCK)
    set_tests_properties(${ARG_NAME} PROPERTIES RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
  endif()
  if(ARG_TIMEOUT)
    set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  else()
    set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT 300)
  endif()
endfunction()
