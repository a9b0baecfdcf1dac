# GDI+ is imported with delayed loading: the program starts even where
# gdiplus.dll is missing and can tell the user so itself. The import
# library is made from mingw-w64's own gdiplus import library: every
# function it exports, bound on first call through the delay-load helper.
#
# The target is named "gdiplus", so every target that links "gdiplus" gets
# the delayed import.
set(GDIPLUS_IMPORT_LIB /usr/i686-w64-mingw32/lib/libgdiplus.a CACHE FILEPATH "mingw-w64's gdiplus import library")
set(GDIPLUS_DELAY_LIB ${CMAKE_BINARY_DIR}/delayload/libgdiplus_delay.a)
add_custom_command(
  OUTPUT ${GDIPLUS_DELAY_LIB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayload
  COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/make-delay-import.sh ${CMAKE_NM} ${CMAKE_DLLTOOL}
          ${GDIPLUS_IMPORT_LIB} gdiplus.dll ${GDIPLUS_DELAY_LIB}
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/make-delay-import.sh
  COMMENT "Delay-load import library for gdiplus.dll")
add_custom_target(gdiplus_delay_lib DEPENDS ${GDIPLUS_DELAY_LIB})

add_library(gdiplus INTERFACE)
add_dependencies(gdiplus gdiplus_delay_lib)
target_link_libraries(gdiplus INTERFACE ${GDIPLUS_DELAY_LIB} delayimp)
