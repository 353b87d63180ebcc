# corvane_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [TIMEOUT s] [LABELS l...])
# One QtTest executable per module, registered with CTest. GUI tests run on
# the offscreen platform; every other test runs without a display.
function(corvane_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test corvane_testsupport ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set(env "CORVANE_TEST_SOURCE_DIR=${PROJECT_SOURCE_DIR}/tests")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    # Under wine the ODBC calls reach the build machine's unixODBC, where
    # FreeTDS stands for SQL Server; the offscreen platform finds fonts only
    # through QT_QPA_FONTDIR there.
    list(APPEND env "CORVANE_ODBC_DRIVER=FreeTDS"
         "QT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/liberation2")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()
