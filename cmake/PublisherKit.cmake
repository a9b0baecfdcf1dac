# What a publisher sets to make this launcher their own game's, and the
# configure-time checks of what they give: the skin folder's pictures and
# icon, and the configuration text compiled in. A problem stops the
# configure with one message per file (or per line of the configuration).

set(LAUNCHER_SKIN "${CMAKE_SOURCE_DIR}/resources/skin" CACHE PATH
    "Folder with the skin's pictures and icon (the file names of resources/skin)")
set(LAUNCHER_PRODUCT_NAME "quillmerex" CACHE STRING "Product name in the version resource and the About dialog")
set(LAUNCHER_COMPANY "quillmerex" CACHE STRING "Company name in the version resource")
set(LAUNCHER_DESCRIPTION "奥凡蒂斯 下载安装器" CACHE STRING
    "File description in the version resource and the About dialog")
set(LAUNCHER_VERSION "1.0.0.1" CACHE STRING "Version of the launcher: one to four numbers of 0 to 65535")
option(LAUNCHER_CHECK_CONFIG "Check LAUNCHER_CONFIG at configure time" ON)

find_program(LAUNCHER_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(LAUNCHER_PYTHON3 NAMES python3)
if(NOT LAUNCHER_PYTHON3)
  message(FATAL_ERROR "python3 is needed to check the skin and the configuration (apt-get install python3)")
endif()

# The version resource's texts go into a resource script string: no quotes.
foreach(setting LAUNCHER_PRODUCT_NAME LAUNCHER_COMPANY LAUNCHER_DESCRIPTION)
  if("${${setting}}" STREQUAL "" OR "${${setting}}" MATCHES "\"")
    message(FATAL_ERROR "${setting} must be a non-empty text without double quotes: \"${${setting}}\"")
  endif()
endforeach()

# "2.3" is 2.3.0.0; each part fits 16 bits.
if(NOT LAUNCHER_VERSION MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
  message(FATAL_ERROR "LAUNCHER_VERSION must be one to four numbers separated by dots, like 2.3.0.1: "
                      "\"${LAUNCHER_VERSION}\"")
endif()
string(REPLACE "." ";" _parts "${LAUNCHER_VERSION}")
foreach(_part IN LISTS _parts)
  if(_part GREATER 65535)
    message(FATAL_ERROR "LAUNCHER_VERSION: each number must be at most 65535: \"${LAUNCHER_VERSION}\"")
  endif()
endforeach()
list(LENGTH _parts _count)
while(_count LESS 4)
  list(APPEND _parts 0)
  list(LENGTH _parts _count)
endwhile()
list(GET _parts 0 _major)
list(GET _parts 1 _minor)
string(REPLACE ";" "," LAUNCHER_VERSION_COMMAS "${_parts}")
string(REPLACE ";" "." LAUNCHER_VERSION_FULL "${_parts}")
set(LAUNCHER_VERSION_SHORT "${_major}.${_minor}")

# Runs one of the checkers; errors stop the configure, warnings are shown.
function(launcher_check script argument)
  execute_process(COMMAND ${LAUNCHER_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/publisher/${script} ${argument}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(STRIP "${output}" output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${output}")
  elseif(output)
    message(WARNING "${output}")
  endif()
endfunction()

get_filename_component(LAUNCHER_SKIN "${LAUNCHER_SKIN}" ABSOLUTE)
launcher_check(check_skin.py "${LAUNCHER_SKIN}")
if(LAUNCHER_CHECK_CONFIG)
  launcher_check(check_config.py "${LAUNCHER_CONFIG}")
endif()
# Changed pictures or configuration check again at the next build.
file(GLOB _skin_files "${LAUNCHER_SKIN}/*")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_skin_files} "${LAUNCHER_CONFIG}")
