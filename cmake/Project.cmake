# Build conventions shared by every deliverable: warnings, sanitizers,
# Windows DLLs with fixed ordinals, GoogleTest programs and fuzz targets.

set(KB_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

add_compile_options(-Wall -Wextra)
if(KB_WERROR)
  add_compile_options(-Werror)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports a false overlap inside libstdc++'s operator+(const char*, string&&)
  # once inlined at -O2/-O3 (GCC bug 105651).
  add_compile_options(-Wno-restrict)
endif()

set(KB_NATIVE OFF)
if(NOT WIN32)
  set(KB_NATIVE ON)
endif()

option(KB_SANITIZE "Native builds run under ASan and UBSan (off only for the benchmark)" ON)
if(KB_NATIVE AND NOT KB_FUZZ AND KB_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(KB_FUZZ)
  # The libraries under test get the coverage instrumentation too, not only the targets.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Single-byte ANSI strings everywhere: no UNICODE macro.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  find_program(KB_WINE_LOADER NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
  set(KB_WINEARCH win64)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # The 32-bit loader in a 32-bit prefix: the i686 build runs as on a 32-bit PC.
    find_program(KB_WINE_LOADER_32 NAMES wine PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine NO_DEFAULT_PATH)
    set(KB_WINE_LOADER ${KB_WINE_LOADER_32})
    if(KB_WINE_LOADER)
      # A kernel without 32-bit emulation refuses the loader although it is installed.
      execute_process(COMMAND ${KB_WINE_LOADER} --version RESULT_VARIABLE runs OUTPUT_QUIET ERROR_QUIET)
      if(NOT runs EQUAL 0)
        set(KB_WINE_LOADER "")
      endif()
    endif()
    set(KB_WINEARCH win32)
  endif()
  set(KB_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  if(KB_WINE_LOADER)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
    set(KB_CAN_RUN_TESTS ON)
  else()
    set(KB_CAN_RUN_TESTS OFF)
    message(STATUS "No Wine for ${CMAKE_SYSTEM_PROCESSOR}: this configuration builds its tests but cannot run them")
  endif()
else()
  set(KB_CAN_RUN_TESTS ON)
endif()

# kb_read_export_list(<list.inc> <out-var-names> <out-var-ordinals>)
# An export list is the one source of a DLL's names, fixed ordinals and signatures:
# lines of the form KB_EXPORT(<ordinal>, <return type>, <Name>, (<arguments>)),
# read as an X-macro in C++ (shared/export_list.h).
function(kb_read_export_list list out_names out_ordinals)
  # An edited list regenerates the .def files and the export test on the next build.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list})
  file(STRINGS ${list} lines REGEX "^[ \t]*KB_EXPORT\\(")
  set(names)
  set(ords)
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*KB_EXPORT\\([ \t]*([0-9]+)[ \t]*,[^,()]+,[ \t]*([A-Za-z_][A-Za-z_0-9]*)[ \t]*,[ \t]*\\(.*\\)[ \t]*\\)[ \t]*$")
      list(APPEND ords ${CMAKE_MATCH_1})
      list(APPEND names ${CMAKE_MATCH_2})
    else()
      # A line the .def would silently lose while C++ still compiles it.
      message(FATAL_ERROR "${list}: not one whole KB_EXPORT(ordinal, type, Name, (arguments)) entry:\n${line}")
    endif()
  endforeach()
  set(${out_names} ${names} PARENT_SCOPE)
  set(${out_ordinals} ${ords} PARENT_SCOPE)
endfunction()

# kb_read_binding_list(<list.inc> <out-var-names>)
# A binding list names the exports a binding object looks up, in its order:
# lines of the form KB_BIND(<Name>, <report with period: true or false>).
function(kb_read_binding_list list out_names)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list})
  file(STRINGS ${list} lines REGEX "^[ \t]*KB_BIND\\(")
  set(names)
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*KB_BIND\\([ \t]*([A-Za-z_][A-Za-z_0-9]*)[ \t]*,[ \t]*(true|false)[ \t]*\\)[ \t]*$")
      list(APPEND names ${CMAKE_MATCH_1})
    else()
      message(FATAL_ERROR "${list}: not one whole KB_BIND(Name, true|false) entry:\n${line}")
    endif()
  endforeach()
  set(${out_names} ${names} PARENT_SCOPE)
endfunction()

# kb_add_dll(<Target> EXPORTS <list.inc> SOURCES ... [LIBS ...])
# A Windows DLL named <Target>.dll whose exports are exactly the list, undecorated,
# at their ordinals; an export-table test is added beside it.
function(kb_add_dll target)
  cmake_parse_arguments(A "" "EXPORTS" "SOURCES;LIBS" ${ARGN})
  kb_read_export_list(${A_EXPORTS} names ords)
  set(def "LIBRARY ${target}\nEXPORTS\n")
  foreach(name ord IN ZIP_LISTS names ords)
    string(APPEND def "  ${name} @${ord}\n")
  endforeach()
  set(def_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  file(CONFIGURE OUTPUT ${def_file} CONTENT "${def}")
  add_library(${target} SHARED ${A_SOURCES} ${def_file})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${target})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${A_EXPORTS})
  # stdcall-fixup lets the .def name the undecorated WINAPI functions of the i686 build.
  target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup -static)
  target_link_libraries(${target} PRIVATE ${A_LIBS})

  set(test ${target}_exports_test)
  add_executable(${test} ${PROJECT_SOURCE_DIR}/testing/exports/export_table_test.cpp)
  target_compile_definitions(${test} PRIVATE
    KB_EXPORT_LIST="${A_EXPORTS}" KB_DLL_NAME="${target}.dll")
  target_link_libraries(${test} PRIVATE kb_export_reader GTest::gtest_main)
  add_dependencies(${test} ${target})
  kb_discover_tests(${test})
endfunction()

# kb_add_standin_dll(<target> NAME <Dll> FOLDER <folder> SOURCES ... [LIBS ...]
#                    EXPORTS <list.inc> BINDING <binding.inc> [WITHOUT <Name>...]
#                    [AT_ORDINALS] [ALIAS <function> EXCEPT <Name>...] [ALSO <name>...])
# A test stand-in of a system DLL, built as bin/standins/<folder>/<Dll>.dll, that
# exports what a binding looks up (BINDING) less WITHOUT, plus ALSO. AT_ORDINALS
# places each at its ordinal of the export list; ALIAS makes every export but
# EXCEPT another name of one function of the stand-in.
function(kb_add_standin_dll target)
  cmake_parse_arguments(A "AT_ORDINALS" "NAME;FOLDER;EXPORTS;BINDING;ALIAS" "SOURCES;LIBS;WITHOUT;EXCEPT;ALSO" ${ARGN})
  kb_read_export_list(${A_EXPORTS} list_names list_ords)
  kb_read_binding_list(${A_BINDING} names)
  foreach(name IN LISTS A_WITHOUT A_EXCEPT)
    if(NOT name IN_LIST names)
      message(FATAL_ERROR "${target}: ${name} is not bound (${A_BINDING})")
    endif()
  endforeach()
  if(A_WITHOUT)
    list(REMOVE_ITEM names ${A_WITHOUT})
  endif()
  set(def "LIBRARY ${A_NAME}\nEXPORTS\n")
  foreach(name IN LISTS names)
    list(FIND list_names ${name} at)
    if(at LESS 0)
      message(FATAL_ERROR "${target}: ${name} is not exported (${A_EXPORTS})")
    endif()
    set(entry "  ${name}")
    if(A_ALIAS AND NOT name IN_LIST A_EXCEPT)
      string(APPEND entry " = ${A_ALIAS}")
    endif()
    if(A_AT_ORDINALS)
      list(GET list_ords ${at} ord)
      string(APPEND entry " @${ord}")
    endif()
    string(APPEND def "${entry}\n")
  endforeach()
  foreach(name IN LISTS A_ALSO)
    string(APPEND def "  ${name}\n")
  endforeach()
  set(def_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  file(CONFIGURE OUTPUT ${def_file} CONTENT "${def}")
  add_library(${target} SHARED ${A_SOURCES} ${def_file})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${A_NAME}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/standins/${A_FOLDER}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/standins/${A_FOLDER})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup -static)
  target_link_libraries(${target} PRIVATE ${A_LIBS})
endfunction()

# kb_discover_tests(<target> [SERIAL] [CP932] [TEST_FILTER <gtest filter>])
function(kb_discover_tests target)
  cmake_parse_arguments(A "SERIAL;CP932" "TEST_FILTER" "" ${ARGN})
  if(NOT KB_CAN_RUN_TESTS)
    return()
  endif()
  set(props)
  if(A_SERIAL)
    # Global atoms, named mutexes and the registry are shared by every process of a prefix.
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  if(props)
    set(props PROPERTIES ${props})
  endif()
  set(filter)
  if(A_TEST_FILTER)
    set(filter TEST_FILTER ${A_TEST_FILTER})
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin ${filter} ${props})
  if(A_CP932 AND WIN32)
    # The code-page run (presets win64-cp932 and win32-cp932, label cp932) starts
    # the whole program once: a Wine process per test would cost more than the tests.
    set(args)
    if(A_TEST_FILTER)
      set(args --gtest_filter=${A_TEST_FILTER})
    endif()
    add_test(NAME ${target}_cp932 COMMAND ${target} ${args})
    set(cp932_props LABELS cp932 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    if(A_SERIAL)
      list(APPEND cp932_props RUN_SERIAL TRUE)
    endif()
    set_tests_properties(${target}_cp932 PROPERTIES ${cp932_props})
  endif()
endfunction()

# kb_add_gtest(<target> SOURCES ... [LIBS ...] [DEPENDS ...] [SERIAL] [CP932] [WINDOWS_ONLY] [NATIVE_ONLY]
#              [TEST_FILTER <gtest filter of the tests CTest runs>])
# A GoogleTest program whose tests CTest discovers. DEPENDS names programs and
# DLLs the tests start or load, built first when this configuration has them.
# CP932 marks a program with double-byte rows, which skip outside code page 932
# and must run in it (KB_REQUIRE_CP932()).
function(kb_add_gtest target)
  cmake_parse_arguments(A "SERIAL;CP932;WINDOWS_ONLY;NATIVE_ONLY" "TEST_FILTER" "SOURCES;LIBS;DEPENDS" ${ARGN})
  if(KB_FUZZ OR (A_WINDOWS_ONLY AND NOT WIN32) OR (A_NATIVE_ONLY AND WIN32))
    return()
  endif()
  add_executable(${target} ${A_SOURCES})
  target_link_libraries(${target} PRIVATE ${A_LIBS} GTest::gmock GTest::gtest_main)
  foreach(dep IN LISTS A_DEPENDS)
    if(TARGET ${dep})
      add_dependencies(${target} ${dep})
    endif()
  endforeach()
  set(flags)
  foreach(flag SERIAL CP932)
    if(A_${flag})
      list(APPEND flags ${flag})
    endif()
  endforeach()
  if(A_TEST_FILTER)
    list(APPEND flags TEST_FILTER ${A_TEST_FILTER})
  endif()
  kb_discover_tests(${target} ${flags})
endfunction()

# kb_add_program(<Target> SOURCES ... [LIBS ...] [OUTPUT_NAME <name>] [GUI])
# A program; on Windows statically linked so it runs without the compiler's DLLs,
# and with GUI a window program rather than a console one.
function(kb_add_program target)
  cmake_parse_arguments(A "GUI" "OUTPUT_NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${A_SOURCES})
  target_link_libraries(${target} PRIVATE ${A_LIBS})
  if(A_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${A_OUTPUT_NAME})
  endif()
  if(WIN32)
    target_link_options(${target} PRIVATE -static)
    if(A_GUI)
      set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    endif()
  endif()
endfunction()

# kb_add_fuzzer(<target> SOURCE <file> [LIBS ...] CORPUS <dir>)
# The source defines LLVMFuzzerTestOneInput. In the fuzz configuration it becomes a
# libFuzzer binary run briefly by CTest; elsewhere a replay test feeds it every
# seed in the corpus under the sanitizers.
function(kb_add_fuzzer target)
  cmake_parse_arguments(A "" "SOURCE;CORPUS" "LIBS" ${ARGN})
  if(WIN32)
    return()
  endif()
  if(KB_FUZZ)
    add_executable(${target} ${A_SOURCE})
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${target} PRIVATE ${A_LIBS})
    set(work ${CMAKE_BINARY_DIR}/fuzz-corpus/${target})
    add_test(NAME ${target}
             COMMAND ${CMAKE_COMMAND} -E env
               sh -c "mkdir -p '${work}' && exec \"$0\" -max_total_time=${KB_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 '${work}' '${A_CORPUS}'"
               $<TARGET_FILE:${target}>)
  else()
    add_executable(${target}_replay ${A_SOURCE} ${PROJECT_SOURCE_DIR}/testing/fuzz/replay_main.cpp)
    target_link_libraries(${target}_replay PRIVATE ${A_LIBS})
    add_test(NAME ${target}_replay COMMAND ${target}_replay ${A_CORPUS})
  endif()
endfunction()
set(KB_FUZZ_SECONDS 5 CACHE STRING "Seconds each fuzz target runs in the test command")
