# Archive writing, removal and the scrambled form: part of the portable core,
# their exports part of Arkstow.dll.
target_sources(ark_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ach_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ach_scramble.cpp
  ${CMAKE_CURRENT_LIST_DIR}/slot_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ach_api.cpp)
if(TARGET Arkstow)
  target_sources(Arkstow PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ach_exports_win.cpp)
endif()

set(KB_ACH_FIXTURES ${PROJECT_SOURCE_DIR}/testing/fixtures/ach)

# The core's writing tests run natively and under Wine, through a fake pack
# library whose buffer coding follows the real one step for step.
kb_add_gtest(ach_writer_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tests/ach_scramble_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/ach_writer_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/ach_rebuild_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/ach_test_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/test_support.cpp
  LIBS ark_core kabbit_core)
if(TARGET ach_writer_test)
  target_compile_definitions(ach_writer_test PRIVATE KB_ACH_FIXTURES="${KB_ACH_FIXTURES}")
endif()

kb_add_fuzzer(ach_scrambled_reader_fuzzer
  SOURCE ${CMAKE_CURRENT_LIST_DIR}/tests/ach_scrambled_reader_fuzzer.cpp
  LIBS ark_core kabbit_core
  CORPUS ${KB_ACH_FIXTURES}/corpus)

