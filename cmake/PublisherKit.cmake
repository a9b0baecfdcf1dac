# What a publisher sets to make this launcher their own game's, and the
# configure-time checks of what they give: the skin folder's pictures and
# icon, and the configuration text compiled in. A problem stops the
# configure with one message per file (or per line of the configuration).

set(LAUNCHER_SKIN "${CMAKE_SOURCE_DIR}/resources/skin" CACHE PATH
    "Folder with the skin's pictures and icon (the file names of resources/skin)")
set(LAUNCHER_PRODUCT_NAME "quillmerex" CACHE STRING
    "Product name: the version resource, the About dialog, the log file's name and the registry key under HKCU\\Software")
set(LAUNCHER_COMPANY "quillmerex" CACHE STRING "Company name in the version resource")
set(LAUNCHER_DESCRIPTION "" CACHE STRING
    "File description in the version resource and the About dialog (empty: the product name and 下载安装器)")
set(LAUNCHER_VERSION "1.0.0.1" CACHE STRING "Version of the launcher: one to four numbers of 0 to 65535")
option(LAUNCHER_CHECK_CONFIG "Check LAUNCHER_CONFIG at configure time" ON)

find_program(LAUNCHER_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(LAUNCHER_PYTHON3 NAMES python3)
if(NOT LAUNCHER_PYTHON3)
  message(FATAL_ERROR "python3 is needed to check the skin and the configuration (apt-get install python3)")
endif()

# The version resource's texts go into a resource script string: no quotes.
foreach(setting LAUNCHER_PRODUCT_NAME LAUNCHER_COMPANY)
  if("${${setting}}" STREQUAL "" OR "${${setting}}" MATCHES "\"")
    message(FATAL_ERROR "${setting} must be a non-empty text without double quotes: \"${${setting}}\"")
  endif()
endforeach()
if(LAUNCHER_DESCRIPTION MATCHES "\"")
  message(FATAL_ERROR "LAUNCHER_DESCRIPTION must be a text without double quotes: \"${LAUNCHER_DESCRIPTION}\"")
endif()
# The product name also names the log file and a registry key: a name that
# Windows takes as both, and a C string without escapes.
set(_bad_name FALSE)
foreach(_code RANGE 1 31)
  string(ASCII ${_code} _control)
  string(FIND "${LAUNCHER_PRODUCT_NAME}" "${_control}" _at)
  if(_at GREATER -1)
    set(_bad_name TRUE)
  endif()
endforeach()
if(_bad_name OR LAUNCHER_PRODUCT_NAME MATCHES "[/:*?<>|]|[\\]|^ |[ .]$")
  message(FATAL_ERROR "LAUNCHER_PRODUCT_NAME names the log file and a registry key: no \\ / : * ? < > | or "
                      "control characters, no blank at either end, no dot at the end: \"${LAUNCHER_PRODUCT_NAME}\"")
endif()
# The file description follows the product name unless it is given; the
# house's own name keeps the shipped game's.
if(NOT LAUNCHER_DESCRIPTION STREQUAL "")
  set(LAUNCHER_DESCRIPTION_TEXT "${LAUNCHER_DESCRIPTION}")
elseif(LAUNCHER_PRODUCT_NAME STREQUAL "quillmerex")
  set(LAUNCHER_DESCRIPTION_TEXT "奥凡蒂斯 下载安装器")
else()
  set(LAUNCHER_DESCRIPTION_TEXT "${LAUNCHER_PRODUCT_NAME} 下载安装器")
endif()
configure_file(${CMAKE_SOURCE_DIR}/resources/ProductNames.h.in ${CMAKE_BINARY_DIR}/generated/resources/ProductNames.h
               @ONLY)
message(STATUS "Launcher names: product \"${LAUNCHER_PRODUCT_NAME}\", description \"${LAUNCHER_DESCRIPTION_TEXT}\", "
               "log file ${LAUNCHER_PRODUCT_NAME}.log, registry key HKEY_CURRENT_USER\\Software\\${LAUNCHER_PRODUCT_NAME}")

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

# Runs one of the checkers; errors stop the configure, warnings are shown
# as warnings, notes alone as the configure's status.
function(launcher_check script argument)
  execute_process(COMMAND ${LAUNCHER_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/publisher/${script} ${argument}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(STRIP "${output}" output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${output}")
  elseif(output MATCHES ": warning: ")
    message(WARNING "${output}")
  elseif(output)
    message(STATUS "${output}")
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
