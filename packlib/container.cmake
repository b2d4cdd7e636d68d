# The compressed container with its codec.
target_sources(kabbit_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/block_expander.cpp
  ${CMAKE_CURRENT_LIST_DIR}/container_format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_walk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_codec.cpp)
if(WIN32)
  target_sources(kabbit_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/wait_point_win.cpp)
else()
  target_sources(kabbit_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/wait_point_posix.cpp)
endif()

kb_add_gtest(packlib_codec_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/container_format_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/file_codec_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/block_expander_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/folder_walk_test.cpp
  LIBS kabbit_core)

kb_add_fuzzer(packlib_container_fuzzer
  SOURCE ${CMAKE_CURRENT_LIST_DIR}/container_fuzzer.cpp
  LIBS kabbit_core
  CORPUS ${PROJECT_SOURCE_DIR}/testing/fixtures/corpus/container)
