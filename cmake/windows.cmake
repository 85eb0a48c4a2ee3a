# Windows-only targets: the real adapters, the program, the DDC/CI simulator.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)

file(GLOB LUMIVANE_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_library(lumivane_win32 STATIC ${LUMIVANE_WIN32_SOURCES})
# Only DLLs that Windows never looks for in the program's folder are linked; any other comes
# from System32 at run time (SystemLibrary), so a planted copy next to the program never loads.
# scripts/check-imports holds the release programs to this.
target_link_libraries(lumivane_win32 PUBLIC lumivane_ports
  ole32 oleaut32 wbemuuid uuid advapi32 gdi32 user32 shell32 comctl32)

file(GLOB LUMIVANE_APP_SOURCES CONFIGURE_DEPENDS src/app/*.cpp)
if(LUMIVANE_APP_SOURCES)
  add_executable(lumivane WIN32 ${LUMIVANE_APP_SOURCES} resources/lumivane.rc)
  target_link_libraries(lumivane PRIVATE lumivane_core lumivane_win32)
  # The static runtime is a large part of the file: only what is reached stays.
  target_link_options(lumivane PRIVATE -static -municode $<$<CXX_COMPILER_ID:GNU,Clang>:-Wl,--gc-sections>)
  # Sections aligned to pages in the file as in memory: Wine then maps the image instead of
  # copying it into private memory (Windows maps it either way).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_link_options(lumivane PRIVATE -Wl,--file-alignment,4096)
  endif()
endif()

# The command-line client: only the request format of the portable code.
add_executable(lumivanectl tools/lumivanectl/lumivanectl.cpp)
target_link_libraries(lumivanectl PRIVATE lumivane_ports advapi32)
target_compile_options(lumivanectl PRIVATE $<$<CXX_COMPILER_ID:GNU,Clang>:-Os>)
# The static runtime is most of the file: only what is reached stays.
target_link_options(lumivanectl PRIVATE -static -municode $<$<CXX_COMPILER_ID:GNU,Clang>:-Wl,--gc-sections>)

# Test double for the Monitor Configuration API, installed over dxva2.dll in a private Wine prefix
# (system32 for the 64-bit build, syswow64 for the 32-bit one).
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tools/ddcsim/ddcsim.cpp)
  add_library(ddcsim SHARED tools/ddcsim/ddcsim.cpp tools/ddcsim/dxva2.def)
  set_target_properties(ddcsim PROPERTIES OUTPUT_NAME dxva2 PREFIX "")
  target_link_options(ddcsim PRIVATE -static)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The real 32-bit dxva2.dll exports its stdcall functions undecorated, as dxva2.def names them.
    target_link_options(ddcsim PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
endif()

# Small helpers the end-to-end checks run inside Wine.
file(GLOB LUMIVANE_E2E_TOOLS CONFIGURE_DEPENDS tools/e2e/*.cpp)
foreach(src ${LUMIVANE_E2E_TOOLS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_options(${name} PRIVATE -static -municode)
  target_link_libraries(${name} PRIVATE user32 shell32)
endforeach()
# Draws reference digits with the program's own painter.
target_link_libraries(iconref PRIVATE lumivane_win32)
# Menus are per process under Wine: menuitems.exe reads a popup menu through this probe, which it
# hooks into the menu's own thread.
add_library(menuprobe SHARED tools/e2e/menuprobe/menuprobe.cpp)
set_target_properties(menuprobe PROPERTIES PREFIX "")
target_link_options(menuprobe PRIVATE -static)
target_link_libraries(menuprobe PRIVATE user32)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # menuitems.exe looks the hook up by its plain name, without the stdcall "@12".
  target_link_options(menuprobe PRIVATE -Wl,--kill-at)
endif()
add_dependencies(menuitems menuprobe)

# End-to-end checks under Wine (registered as ctest tests of this build).
include(cmake/e2e.cmake OPTIONAL)
