# clang for the 64-bit mingw-w64 target, on Debian's mingw-w64 headers, CRT and libstdc++.
# A check that the Windows program builds with a compiler other than GCC.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

# Debian keeps GCC's runtime in a "<version>-posix" folder, which clang's driver does not find by
# itself: name the C++ headers and the library folder explicitly.
file(GLOB LUMIVANE_MINGW_GCC_DIRS LIST_DIRECTORIES true /usr/lib/gcc/${TOOLCHAIN_PREFIX}/*-posix)
list(SORT LUMIVANE_MINGW_GCC_DIRS COMPARE NATURAL)
list(POP_BACK LUMIVANE_MINGW_GCC_DIRS LUMIVANE_MINGW_GCC)
if(NOT LUMIVANE_MINGW_GCC)
  message(FATAL_ERROR "no /usr/lib/gcc/${TOOLCHAIN_PREFIX}/*-posix (Debian g++-mingw-w64-x86-64-posix)")
endif()
set(LUMIVANE_MINGW_CXX ${LUMIVANE_MINGW_GCC}/include/c++)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
  ${LUMIVANE_MINGW_CXX} ${LUMIVANE_MINGW_CXX}/${TOOLCHAIN_PREFIX} ${LUMIVANE_MINGW_CXX}/backward)
# The posix-thread libstdc++ needs winpthreads, which the GCC driver adds by itself (lld finds
# archive members whatever the order on the command line). libstdc++ 12 defines
# type_info::operator== both inline in <typeinfo> and in the library; clang emits the inline
# copy as well, and lld, unlike GNU ld, refuses the pair unless told that either will do.
set(LUMIVANE_MINGW_LINK "-fuse-ld=lld -L${LUMIVANE_MINGW_GCC} -lpthread -Wl,--allow-multiple-definition")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${LUMIVANE_MINGW_LINK})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${LUMIVANE_MINGW_LINK})

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
