# orvane_layer_headers(<target> <folder>)
# A library shows only its own folder of src/ to what links it: its include root holds one entry,
# a link named <folder> to src/<folder>. The libraries it links show theirs, so the headers of the
# layers below are found and those of the layers above are not: an include that runs upward fails
# to compile.
function(orvane_layer_headers target folder)
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# orvane_add_test(NAME <target> SOURCES <files...> LIBS <libs...> [LABELS <labels...>])
# One GoogleTest executable per subsystem; every test case becomes its own ctest entry.
# Cases labelled "unit" also run in the sanitizer build. Every test runs with
# ORVANE_STRICT_SETTINGS=1: a settings key that is not in the table of keys ends it.
# orvane_raw_helper_beside(<target>)
# The programs look for the camera raw helper beside themselves (or in the libexec folder of an
# installed tree), never at a path compiled in: every program and test of the build gets a copy
# of the helper in its own folder, refreshed whenever the helper is rebuilt.
function(orvane_raw_helper_beside target)
  if(NOT TARGET orvane-raw-helper)
    return()
  endif()
  string(MAKE_C_IDENTIFIER "${CMAKE_CURRENT_BINARY_DIR}" folder)
  set(copy orvane_raw_helper_copy_${folder})
  if(NOT TARGET ${copy})
    set(beside ${CMAKE_CURRENT_BINARY_DIR}/orvane-raw-helper)
    add_custom_command(OUTPUT ${beside}
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:orvane-raw-helper> ${beside}
      DEPENDS orvane-raw-helper VERBATIM)
    add_custom_target(${copy} DEPENDS ${beside})
  endif()
  add_dependencies(${target} ${copy})
endfunction()

function(orvane_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  orvane_raw_helper_beside(${T_NAME})
  gtest_discover_tests(${T_NAME}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT ORVANE_STRICT_SETTINGS=1
    DISCOVERY_TIMEOUT 60)
endfunction()

# orvane_add_gui_test(<target> <sources...>)
# A Qt Test executable over the desktop program's libraries, run in a real X window on a
# virtual display. Labelled "gui" so that the sanitizer run (built without the GUI) skips it.
function(orvane_add_gui_test name)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
  find_program(XVFB_RUN xvfb-run REQUIRED)
  add_executable(${name} ${ARGN})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE orvane_shell Qt6::Test)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE ORVANE_ARTEFACT_DIR="${PROJECT_BINARY_DIR}/artefacts")
  add_test(NAME ${name}
           COMMAND ${XVFB_RUN} -a -s "-screen 0 1920x1080x24" $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=xcb;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/config;XDG_RUNTIME_DIR=${CMAKE_CURRENT_BINARY_DIR}/runtime;ORVANE_STRICT_SETTINGS=1")
endfunction()
