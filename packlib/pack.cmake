# Packing, pre-compression, buffer jobs, split parts and path conversion.
target_sources(kabbit_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/split_parts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/convert_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/buffer_jobs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pack_jobs.cpp)

kb_add_gtest(packlib_pack_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/split_parts_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/convert_path_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/buffer_jobs_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pack_jobs_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pack_fixture_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pack_fixture.cpp
  LIBS kabbit_core)
if(TARGET packlib_pack_test)
  target_compile_definitions(packlib_pack_test PRIVATE KB_PACK_TESTDATA="${CMAKE_CURRENT_LIST_DIR}/testdata")
endif()

# Writes this build's sample pack (packlib/testdata/native.pck, win64.pck).
if(NOT KB_FUZZ)
  add_executable(pack_fixture_writer
    ${CMAKE_CURRENT_LIST_DIR}/pack_fixture_writer.cpp ${CMAKE_CURRENT_LIST_DIR}/pack_fixture.cpp)
  target_link_libraries(pack_fixture_writer PRIVATE kabbit_core)
endif()

# The exports of this part join Kabbit.dll, made by the frame's fragment.
if(TARGET Kabbit)
  target_sources(Kabbit PRIVATE ${CMAKE_CURRENT_LIST_DIR}/exports_pack.cpp)
  kb_add_gtest(kabbit_dll_pack_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/kabbit_dll_pack_test.cpp
    LIBS kabbit_core WINDOWS_ONLY
    TEST_FILTER "-KabbitDllPackFullDisk.*")
  if(TARGET kabbit_dll_pack_test)
    add_dependencies(kabbit_dll_pack_test Kabbit)
  endif()
  # A disc that fills up during a job: the program runs under a file size limit
  # (SIGXFSZ ignored, so a write past it fails as on a full disc).
  if(TARGET kabbit_dll_pack_test AND KB_CAN_RUN_TESTS AND CMAKE_HOST_UNIX)
    add_test(NAME kabbit_dll_pack_full_disk
             COMMAND sh -c "trap '' XFSZ && ulimit -f 16384 && exec \"$0\" \"$@\""
                     ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:kabbit_dll_pack_test>
                     --gtest_filter=KabbitDllPackFullDisk.*
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endif()
endif()
