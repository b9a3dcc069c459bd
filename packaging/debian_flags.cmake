# The flags Debian builds its own packages with, as dpkg-buildflags gives them with every
# hardening feature on: fortified C library functions, a strong stack protector, format
# checks, relocations made read-only and bound when the program starts, and source paths
# recorded relative to the tree, so that the packages build reproducibly. The optimisation
# level stays this build's own, and no debug information is made: the packages are stripped.
find_program(MOXA_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
set(ENV{DEB_BUILD_MAINT_OPTIONS} "hardening=+all")

function(moxa_debian_flags promenna)
  execute_process(COMMAND ${MOXA_DPKG_BUILDFLAGS} --get ${promenna}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE vystup OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(priznaky UNIX_COMMAND "${vystup}")
  list(FILTER priznaky EXCLUDE REGEX "^-(g|O[0-9sgz]?)$")
  list(JOIN priznaky " " priznaky)
  set(moxa_deb_${promenna} "${priznaky}" PARENT_SCOPE)
endfunction()

foreach(promenna CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
  moxa_debian_flags(${promenna})
endforeach()
string(APPEND CMAKE_C_FLAGS " ${moxa_deb_CPPFLAGS} ${moxa_deb_CFLAGS}")
string(APPEND CMAKE_CXX_FLAGS " ${moxa_deb_CPPFLAGS} ${moxa_deb_CXXFLAGS}")
foreach(druh EXE SHARED MODULE)
  string(APPEND CMAKE_${druh}_LINKER_FLAGS " ${moxa_deb_LDFLAGS}")
endforeach()
message(STATUS "Debian build flags: ${moxa_deb_CPPFLAGS} ${moxa_deb_CXXFLAGS} ${moxa_deb_LDFLAGS}")
