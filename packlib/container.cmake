# The file seam and the compressed container with its codec.
target_sources(kabbit_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/fs.cpp)
if(WIN32)
  target_sources(kabbit_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/fs_win.cpp)
else()
  target_sources(kabbit_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/fs_posix.cpp)
endif()

kb_add_gtest(packlib_fs_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fs_test.cpp
  LIBS kabbit_core)
