# Helpers that give every library, program and test the same warnings, defines and layout.

set(VELOTUNE_WARNINGS -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND VELOTUNE_WARNINGS -Wshadow=local)  # gcc's; clang (the fuzz build) lacks it
endif()
if(VELOTUNE_WERROR)
  list(APPEND VELOTUNE_WARNINGS -Werror)
endif()

if(VELOTUNE_FUZZ)
  # Every library a harness links is instrumented for coverage and checked; the harnesses add
  # libFuzzer's main when they link.
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VELOTUNE_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VELOTUNE_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VELOTUNE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(VELOTUNE_SANITIZE)
  message(FATAL_ERROR "VELOTUNE_SANITIZE must be empty, address or thread")
endif()

function(velotune_target_defaults target)
  target_compile_options(${target} PRIVATE ${VELOTUNE_WARNINGS})
  target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS QT_NO_CAST_FROM_BYTEARRAY
                                               QT_NO_URL_CAST_FROM_STRING QT_STRICT_ITERATORS)
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
endfunction()

# velotune_add_library(<name> ALIAS <Velotune::Name> SOURCES ... [LIBS ...] [SHARED])
# One folder, one library; the alias is what other folders link.
function(velotune_add_library name)
  cmake_parse_arguments(ARG "SHARED" "ALIAS" "SOURCES;LIBS" ${ARGN})
  if(ARG_SHARED)
    add_library(${name} SHARED ${ARG_SOURCES})
  else()
    add_library(${name} STATIC ${ARG_SOURCES})
  endif()
  if(ARG_ALIAS)
    add_library(${ARG_ALIAS} ALIAS ${name})
  endif()
  velotune_target_defaults(${name})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
  if(ARG_LIBS)
    target_link_libraries(${name} ${ARG_LIBS})
  endif()
endfunction()

# velotune_add_program(<name> SOURCES ... LIBS ...): a program in bin/.
function(velotune_add_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  velotune_target_defaults(${name})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  # A module's static library carries all of its module's shared libraries along (Qt Widgets
  # with the playback library, say); a program records only those it calls into, so that it
  # does not load, relocate and keep resident a library it never uses.
  target_link_options(${name} PRIVATE LINKER:--as-needed)
  install(TARGETS ${name} RUNTIME DESTINATION lib/velotune)
endfunction()

# velotune_add_test(<name> SOURCES ... LIBS ... [THREADED] [SESSION_BUS] [DISPLAY]
#                   [WRAPPER <command> ...] [LABELS ...] [TIMEOUT s])
# A GoogleTest program that links the shared test main. THREADED marks the tests of threaded code,
# which the sanitizer builds run. The program, both when CTest lists its tests and when it runs
# each one, can be started inside wrappers (outermost first):
#   DISPLAY      on a private virtual X display of its own (xvfb-run -a), with DISPLAY set (the
#                test main still keeps the test program itself offscreen unless QT_QPA_PLATFORM
#                is set; programs it starts get QT_QPA_PLATFORM=xcb from the test);
#   SESSION_BUS  on a private D-Bus session bus of its own (dbus-run-session), so that bus names
#                taken by the test never meet the user's session or another test;
#   WRAPPER      any other command that takes the program and its arguments at its end.
# Each test case gets fresh ones, since CTest starts the program once per case.
function(velotune_add_test name)
  cmake_parse_arguments(ARG "THREADED;SESSION_BUS;DISPLAY" "TIMEOUT" "SOURCES;LIBS;LABELS;WRAPPER"
                        ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  velotune_target_defaults(${name})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON
                                           RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
  target_link_libraries(${name} PRIVATE Velotune::TestSupport ${ARG_LIBS})
  set(labels ${ARG_LABELS})
  if(ARG_THREADED)
    list(APPEND labels threaded)
    set_property(GLOBAL APPEND PROPERTY VELOTUNE_THREADED_TESTS ${name})
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  if(VELOTUNE_SANITIZE AND NOT ARG_THREADED)
    return()
  endif()
  # GoogleTest's discovery puts the target's emulator in front of the program for the listing
  # and for every test it adds, which is exactly what a wrapper needs.
  set(wrapper)
  if(ARG_DISPLAY)
    find_program(VELOTUNE_XVFB_RUN xvfb-run REQUIRED)
    list(APPEND wrapper ${VELOTUNE_XVFB_RUN} -a -s "-screen 0 1280x1024x24")
  endif()
  if(ARG_SESSION_BUS)
    find_program(VELOTUNE_DBUS_RUN_SESSION dbus-run-session REQUIRED)
    list(APPEND wrapper ${VELOTUNE_DBUS_RUN_SESSION} --)
  endif()
  list(APPEND wrapper ${ARG_WRAPPER})
  if(wrapper)
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR "${wrapper}")
  endif()
  set(props TIMEOUT ${ARG_TIMEOUT})
  if(labels)
    list(APPEND props LABELS "${labels}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# Called once at the end of the top-level list: the target that builds only the threaded tests,
# so that a sanitizer build compiles what it runs and nothing else.
function(velotune_finish_targets)
  get_property(threaded GLOBAL PROPERTY VELOTUNE_THREADED_TESTS)
  add_custom_target(threaded_tests)
  if(threaded)
    add_dependencies(threaded_tests ${threaded})
  endif()
endfunction()
