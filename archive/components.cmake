# Component installation and registration, and the runtime-module install:
# the portable core (ark_components), its Windows side and exports in
# Arkstow.dll, fixture modules with version resources, and the tests.
add_library(ark_components STATIC
  vbrm_version.cpp vbrm_plan.cpp vbrm_run.cpp register_run.cpp components_api.cpp)
target_link_libraries(ark_components PUBLIC ark_core)
if(WIN32)
  target_sources(ark_components PRIVATE components_system_win.cpp)
  target_link_libraries(ark_components PUBLIC version)
  if(TARGET Arkstow)
    target_sources(Arkstow PRIVATE components_exports_win.cpp)
    target_link_libraries(Arkstow PRIVATE ark_components)
  endif()
endif()

kb_add_gtest(ark_vbrm_plan_test SOURCES vbrm_plan_test.cpp LIBS ark_components)
kb_add_gtest(ark_components_run_test NATIVE_ONLY
  SOURCES components_run_test.cpp components_test_support.cpp tests/test_support.cpp
  LIBS ark_components)

if(WIN32)
  # Fixture modules: name, FileVersion text, translation block, language,
  # code page, COM server or not.
  set(fixtures
    "plain_v1|1.0.0.0|041104b0|0x0411|1200|0"
    "plain_v2|2.0.0.0|041104b0|0x0411|1200|0"
    "plain_v2_us|2.0.0.0|040904e4|0x0409|1252|0"
    "com_v1|1.0.0.0|041104b0|0x0411|1200|1"
    "com_v2|2.0.0.0|041104b0|0x0411|1200|1"
    "long_version|1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.19.20.21.22.23.24.25.26.27.28.29.30.31|041104b0|0x0411|1200|0")
  set(fixture_targets)
  set(mark 1)
  foreach(row IN LISTS fixtures)
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 name)
    list(GET fields 1 FIX_VERSION)
    list(GET fields 2 FIX_BLOCK)
    list(GET fields 3 FIX_LANG)
    list(GET fields 4 FIX_CP)
    list(GET fields 5 com)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/component_fixtures/${name}.rc)
    configure_file(component_fixtures/fixture_version.rc.in ${rc} @ONLY)
    set(target kb_fixture_${name})
    add_library(${target} SHARED component_fixtures/fixture_module.c ${rc})
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/fixtures/components)
    target_compile_definitions(${target} PRIVATE KB_FIXTURE_MARK=${mark})
    if(com)
      target_compile_definitions(${target} PRIVATE KB_FIXTURE_COM)
    endif()
    target_link_options(${target} PRIVATE -Wl,--kill-at -static)
    list(APPEND fixture_targets ${target})
    math(EXPR mark "${mark} + 1")
  endforeach()

  kb_add_gtest(ark_components_wine_test WINDOWS_ONLY SERIAL
    SOURCES components_wine_test.cpp components_test_support.cpp tests/test_support.cpp
    LIBS ark_components)
  if(TARGET ark_components_wine_test)
    add_dependencies(ark_components_wine_test ${fixture_targets} Arkstow)
    foreach(standin kb_standin_register kb_standin_register_partial kb_standin_halvorin)
      if(TARGET ${standin})
        add_dependencies(ark_components_wine_test ${standin})
      endif()
    endforeach()
  endif()
endif()
