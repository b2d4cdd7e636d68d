# The binder, the pack library's binding object, program start and folder
# creation join the utility units; their tests follow.
target_sources(kb_units PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/dll_binding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tkabbit.cpp)
if(WIN32)
  target_sources(kb_units PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/dll_binding_win.cpp
    ${CMAKE_CURRENT_LIST_DIR}/folders_win.cpp
    ${CMAKE_CURRENT_LIST_DIR}/exec_win.cpp)
else()
  target_sources(kb_units PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/dll_binding_posix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/folders_posix.cpp)
  target_link_libraries(kb_units PUBLIC ${CMAKE_DL_LIBS})
endif()

kb_add_gtest(kb_units_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/strutils_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/winutils_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tkabbit_test.cpp
  LIBS kb_units)

# Under Wine, once more in the Japanese code page, so the double-byte rows run.
if(WIN32 AND KB_CAN_RUN_TESTS AND TARGET kb_units_test)
  add_test(NAME kb_units_test_shift_jis
    COMMAND ${CMAKE_COMMAND} -E env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 KB_REQUIRE_SHIFT_JIS=1
            ${CMAKE_BINARY_DIR}/wine-run.sh $<TARGET_FILE:kb_units_test> --gtest_filter=StrUtils.*
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
