# The writing exports and scrambled archives through the built Arkstow.dll under
# Wine, with a Kabbit.dll beside it: the pack library's own once it exports
# every function the binding looks up, else this stand-in, whose buffer coding
# codes for real.
if(WIN32 AND TARGET Arkstow)
  # Every bound function at its ordinal; all but the buffer coding refuse.
  kb_add_standin_dll(ach_kabbit_standin NAME Kabbit FOLDER ach_kabbit
    SOURCES ${PROJECT_SOURCE_DIR}/testing/standins/ach_kabbit/kabbit_buffer_standin.cpp
    LIBS kabbit_core
    EXPORTS ${PROJECT_SOURCE_DIR}/shared/kabbit_exports.inc
    BINDING ${PROJECT_SOURCE_DIR}/shared/tkabbit_functions.inc
    AT_ORDINALS ALIAS StandinRefuses EXCEPT EncryptBufferData DecryptBufferData)

  configure_file(${KB_ACH_FIXTURES}/scrambled.ach ${CMAKE_BINARY_DIR}/bin/ach_fixtures/scrambled.ach COPYONLY)
  kb_add_gtest(ach_dll_test WINDOWS_ONLY
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/tests/ach_dll_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/tests/ach_test_support.cpp
      ${CMAKE_CURRENT_LIST_DIR}/tests/test_support.cpp
    LIBS ark_core kabbit_core kb_export_reader)
  # The pack library's own buffer coding is checked against the scrambled form.
  add_dependencies(ach_dll_test Arkstow ach_kabbit_standin Kabbit)
endif()
