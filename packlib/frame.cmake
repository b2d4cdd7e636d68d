# The library's frame: controller and job protocol, pack format and access check,
# throttle, unpacking and listing, path routines, the system seam, and Kabbit.dll.
target_sources(kabbit_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/kabbit_app.cpp
  ${CMAKE_CURRENT_LIST_DIR}/job_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pack_format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/access_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/throttle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unpack.cpp
  ${CMAKE_CURRENT_LIST_DIR}/enumerate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/path_routines.cpp)
if(WIN32)
  target_sources(kabbit_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sys_win.cpp)
else()
  target_sources(kabbit_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sys_posix.cpp)
endif()

if(WIN32)
  kb_add_dll(Kabbit EXPORTS ${PROJECT_SOURCE_DIR}/shared/kabbit_exports.inc
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/exports.cpp
    LIBS kabbit_core)
endif()

if(NOT KB_FUZZ)
  add_library(kb_pack_builder STATIC ${PROJECT_SOURCE_DIR}/testing/fixtures/pack_builder.cpp)
  target_include_directories(kb_pack_builder PUBLIC ${PROJECT_SOURCE_DIR}/testing/fixtures)
  target_link_libraries(kb_pack_builder PUBLIC kabbit_core)
endif()

kb_add_gtest(packlib_frame_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/path_routines_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/throttle_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pack_format_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/enumerate_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unpack_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kabbit_app_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/job_state_test.cpp
  LIBS kb_pack_builder kabbit_core)
if(TARGET packlib_frame_test)
  # Wine sees the host's files on drive Z:.
  if(WIN32)
    set(fixture_dir "Z:${PROJECT_SOURCE_DIR}/testing/fixtures")
  else()
    set(fixture_dir "${PROJECT_SOURCE_DIR}/testing/fixtures")
  endif()
  target_compile_definitions(packlib_frame_test PRIVATE KB_FIXTURE_DIR="${fixture_dir}")
endif()

# The double-byte rows once more under Wine in a Japanese locale (code page 932).
if(WIN32 AND KB_CAN_RUN_TESTS AND TARGET packlib_frame_test)
  add_test(NAME packlib_path_routines_cp932
           COMMAND packlib_frame_test --gtest_filter=PathRoutines.*
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(packlib_path_routines_cp932 PROPERTIES
                       ENVIRONMENT "LC_ALL=ja_JP.UTF-8;LANG=ja_JP.UTF-8;KB_REQUIRE_CP932=1")
endif()

# Through the real Kabbit.dll, loaded by name.
kb_add_gtest(kabbit_dll_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kabbit_dll_test.cpp
  LIBS kb_pack_builder kabbit_core WINDOWS_ONLY)
kb_add_gtest(kabbit_dll_atoms_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kabbit_dll_atoms_test.cpp
  LIBS kb_pack_builder kabbit_core WINDOWS_ONLY SERIAL)
if(TARGET kabbit_dll_test)
  add_dependencies(kabbit_dll_test Kabbit)
  add_dependencies(kabbit_dll_atoms_test Kabbit)
endif()

kb_add_fuzzer(packlib_pack_fuzzer
  SOURCE ${CMAKE_CURRENT_LIST_DIR}/pack_fuzzer.cpp
  LIBS kabbit_core
  CORPUS ${PROJECT_SOURCE_DIR}/testing/fixtures/corpus/pack)
