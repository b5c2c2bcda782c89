# corvane_add_test(NAME name LABEL label SOURCES ... LIBS ...)
# One place that registers a test binary with ctest and tags it, so `ctest -L engine` runs a subset.
function(corvane_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABEL}"
                       ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
