# The writing exports and scrambled archives through the built Arkstow.dll under
# Wine, with a Kabbit.dll beside it: the pack library's own once it exports
# every function the binding looks up, else this stand-in, whose buffer coding
# codes for real.
if(WIN32 AND TARGET Arkstow)
  set(standin ${PROJECT_SOURCE_DIR}/testing/standins/ach_kabbit)
  add_library(ach_kabbit_standin SHARED ${standin}/kabbit_buffer_standin.cpp ${standin}/kabbit_buffer_standin.def)
  set_target_properties(ach_kabbit_standin PROPERTIES PREFIX "" OUTPUT_NAME Kabbit
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/standins/ach_kabbit
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/standins/ach_kabbit)
  target_link_options(ach_kabbit_standin PRIVATE -Wl,--enable-stdcall-fixup -static)
  target_link_libraries(ach_kabbit_standin PRIVATE kabbit_core)

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
