# The -posix compilers carry winpthreads, so std::thread works.
set(CMAKE_C_COMPILER ${KB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KB_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No mingw runtime DLL travels with a deliverable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
# zlib's import library would make every deliverable need zlib1.dll beside it.
set(ZLIB_USE_STATIC_LIBS ON)
# A build tree configured before that setting keeps the import library in its
# cache; forget it so zlib is looked up again.
if(ZLIB_LIBRARY_RELEASE MATCHES "\\.dll\\.a$")
  unset(ZLIB_LIBRARY_RELEASE CACHE)
endif()
