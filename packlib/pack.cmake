# Packing, pre-compression, buffer jobs, split parts and path conversion.
target_sources(kabbit_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/split_parts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/convert_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/buffer_jobs.cpp)

kb_add_gtest(packlib_pack_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/split_parts_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/convert_path_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/buffer_jobs_test.cpp
  LIBS kabbit_core)
