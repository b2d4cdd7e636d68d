# Compressed entries: expansion in the unpack worker, the container listing and
# single sub-files, and their exports.
target_sources(kabbit_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/unpack_compressed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zip_jobs.cpp)

kb_add_gtest(packlib_zip_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/unpack_compressed_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/zip_jobs_test.cpp
  LIBS kb_pack_builder kabbit_core)

if(TARGET Kabbit)
  target_sources(Kabbit PRIVATE ${CMAKE_CURRENT_LIST_DIR}/exports_zip.cpp)
  kb_add_gtest(kabbit_dll_zip_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/kabbit_dll_zip_test.cpp
    LIBS kb_pack_builder kabbit_core WINDOWS_ONLY)
  if(TARGET kabbit_dll_zip_test)
    add_dependencies(kabbit_dll_zip_test Kabbit)
  endif()
endif()
