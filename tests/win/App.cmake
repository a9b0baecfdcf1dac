# End to end: the real launcher under Wine and Xvfb, against the loopback
# package server and the demo installer. Screenshots go to e2e-artifacts.
add_launcher(launcher_e2e ${CMAKE_SOURCE_DIR}/tests/e2e/e2e_config.ini)
# The same program with an empty configuration text.
add_launcher(launcher_e2e_empty ${CMAKE_SOURCE_DIR}/tests/e2e/empty_config.ini)
set_target_properties(launcher_e2e launcher_e2e_empty PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
foreach(case whole_road server_down window_shape about gdiplus_missing empty_configuration)
  add_test(NAME e2e.${case}
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/e2e/e2e.py ${case}
                   --build ${CMAKE_BINARY_DIR} --artifacts ${CMAKE_BINARY_DIR}/e2e-artifacts)
  set_tests_properties(e2e.${case} PROPERTIES TIMEOUT 240 RESOURCE_LOCK wine-display)
endforeach()
add_dependencies(launcher_e2e demo_installer)

# The shipped program's form: PE32 GUI, system DLLs only, size budget.
add_test(NAME launcher_binary
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_launcher_binary.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:launcher>)
