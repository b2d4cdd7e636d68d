# The pack cipher: buffer cipher and keystreams, key expansion, header salt and MD5.
target_sources(kabbit_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/buffer_cipher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/key_expander.cpp
  ${CMAKE_CURRENT_LIST_DIR}/header_salt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/seed_tables.cpp)
if(WIN32)
  target_sources(kabbit_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/md5_hash_win.cpp)
  target_link_libraries(kabbit_core PRIVATE advapi32)
else()
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  target_sources(kabbit_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/md5_hash_posix.cpp)
  target_link_libraries(kabbit_core PRIVATE OpenSSL::Crypto)
endif()

kb_add_gtest(packlib_cipher_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/buffer_cipher_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/key_expander_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/header_salt_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/md5_hash_test.cpp
  LIBS kabbit_core)
