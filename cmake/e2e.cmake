# End-to-end checks under Wine: each tests/e2e/*.sh runs as `bash <script> <this build dir>`.
# They share the build's e2e Wine prefix and one desktop, so they run one at a time.
find_program(LUMIVANE_BASH bash REQUIRED)
file(GLOB LUMIVANE_E2E_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/*.sh)
foreach(script ${LUMIVANE_E2E_SCRIPTS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e_${name} COMMAND ${LUMIVANE_BASH} ${script} ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_${name} PROPERTIES
    LABELS e2e
    RUN_SERIAL TRUE
    TIMEOUT 150
    REQUIRED_FILES "${CMAKE_BINARY_DIR}/lumivane.exe")
endforeach()

# Building the program also builds what the checks drive it with.
if(TARGET lumivane)
  foreach(tool ${LUMIVANE_E2E_TOOLS})
    get_filename_component(toolName ${tool} NAME_WE)
    add_dependencies(lumivane ${toolName})
  endforeach()
endif()
