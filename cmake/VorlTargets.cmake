# Common compile settings and the helpers every folder uses to declare its library, tests and benchmarks.

add_library(vorl_compile_options INTERFACE)
target_compile_options(vorl_compile_options INTERFACE
  -Wall -Wextra
  # Several results depend on the order in which floats are evaluated: no fused multiply-add, no fast-math.
  -ffp-contract=off)
target_include_directories(vorl_compile_options INTERFACE ${PROJECT_SOURCE_DIR})

if(VORL_SANITIZE)
  # Line tables (-g1) are all a sanitizer report needs; full debug information costs a quarter of the compile time
  # and doubles every object file.
  target_compile_options(vorl_compile_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g1)
  target_link_options(vorl_compile_options INTERFACE -fsanitize=address,undefined)
endif()

# vorl_add_library(<name> SOURCES ... [LINKS ...]): one static library per folder.
function(vorl_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC vorl_compile_options ${ARG_LINKS})
endfunction()

# vorl_add_test(<name> SOURCES ... LINKS ... [GUI] [WIDGETS]): one GoogleTest program per unit group. The shared
# main points HOME and XDG_* at a temporary folder; GUI adds an offscreen QGuiApplication, WIDGETS a QApplication.
function(vorl_add_test name)
  cmake_parse_arguments(ARG "GUI;WIDGETS" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_WIDGETS)
    target_link_libraries(${name} PRIVATE vorl_test_main_widgets)
  elseif(ARG_GUI)
    target_link_libraries(${name} PRIVATE vorl_test_main_gui)
  else()
    target_link_libraries(${name} PRIVATE vorl_test_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock vorl_compile_options)
  # Test code is assertions around library calls; the libraries keep their optimisation. -O1 compiles the
  # large assertion-heavy sources about a third faster, which keeps CI short.
  target_compile_options(${name} PRIVATE -O1)
  # Each variable is its own entry: a list in one ENVIRONMENT value is split by gtest_discover_tests.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
      ENVIRONMENT_MODIFICATION "ASAN_OPTIONS=set:allocator_may_return_null=1:detect_leaks=1")
endfunction()

# vorl_add_benchmark(<name> SOURCES ... LINKS ...)
function(vorl_add_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} benchmark::benchmark_main vorl_compile_options)
  set_property(GLOBAL APPEND PROPERTY VORL_BENCHMARKS ${name})
endfunction()
