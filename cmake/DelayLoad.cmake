# DLLs that the launcher loads at first use rather than at start-up: GDI+
# (so that the program starts even where gdiplus.dll is missing and can say
# so itself), WinINet and shell32 (needed only once the road has begun),
# and the installer's checks: CNG (bcrypt), WinTrust and crypt32.
# Each is imported with delayed loading through an import library made from
# mingw-w64's own: every function it exports, bound on first call through
# the delay-load helper. The program loads each of them itself from the
# system folder before the first call (platform/win/SystemLibrary.h), so the
# helper only finds the module already there.
#
# The targets are named after the DLLs ("gdiplus", "wininet", ...),
# so every target that links one of these names gets the delayed import.
#
# Calls to a delay-loaded function must go through the import library's
# own thunk: a call compiled as dllimport reads its target from a pointer
# that mingw-w64's delay-import libraries leave at zero, and jumps to
# address 0 (seen with WinINet and shell32, even in a five-line program). With
# DECLSPEC_IMPORT defined empty every declaration of the system's headers
# is a plain function, and every call goes through the thunk (for the
# ordinary import libraries, the thunk jumps through the import table).
add_compile_definitions(DECLSPEC_IMPORT=)

# The import libraries come from the toolchain's own folder. Their symbols
# name each function behind a prefix that differs by architecture: i386
# decorates C names with an underscore ("__imp__Name@8"), x86-64 does not
# ("__imp_Name").
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(DELAY_IMPORT_PREFIX "__imp_")
else()
  set(DELAY_IMPORT_PREFIX "__imp__")
endif()

function(add_delay_loaded_dll name)
  set(import_lib ${CMAKE_FIND_ROOT_PATH}/lib/lib${name}.a)
  set(delay_lib ${CMAKE_BINARY_DIR}/delayload/lib${name}_delay.a)
  add_custom_command(
    OUTPUT ${delay_lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayload
    COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/make-delay-import.sh ${CMAKE_NM} ${CMAKE_DLLTOOL}
            ${import_lib} ${name}.dll ${delay_lib} ${DELAY_IMPORT_PREFIX}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/make-delay-import.sh
    COMMENT "Delay-load import library for ${name}.dll")
  add_custom_target(${name}_delay_lib DEPENDS ${delay_lib})
  add_library(${name} INTERFACE)
  add_dependencies(${name} ${name}_delay_lib)
  target_link_libraries(${name} INTERFACE ${delay_lib} delayimp)
endfunction()

add_delay_loaded_dll(gdiplus)
add_delay_loaded_dll(wininet)
add_delay_loaded_dll(shell32)
add_delay_loaded_dll(bcrypt)
add_delay_loaded_dll(wintrust)
add_delay_loaded_dll(crypt32)
