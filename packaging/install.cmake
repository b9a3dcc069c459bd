# What `cmake --install` puts in place, the files that let other builds find the library
# (CMake package, pkg-config), and the Debian packages that `cpack -G DEB` makes from it:
#   moxa          the programs (listed in packaging/programs.txt), their man pages,
#                 the README and the example programs
#   libmoxa1      the shared library
#   libmoxa-dev   the header, the static library, the CMake and pkg-config files
# With MOXA_DEBIAN, the documentation is laid out as Debian wants it: a copyright file and a
# compressed changelog in each package's documentation folder, the man page compressed.
include(CMakePackageConfigHelpers)

set(MOXA_BALICKY_LIB libmoxa${PROJECT_VERSION_MAJOR})
set(MOXA_BALICKY_DEV libmoxa-dev)
set(moxa_cmakedir ${CMAKE_INSTALL_LIBDIR}/cmake/moxa)
set(moxa_gen ${PROJECT_BINARY_DIR}/packaging)

# The programs and their targets, from the one list of them.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS packaging/programs.txt)
file(STRINGS packaging/programs.txt moxa_radky REGEX "^[^#]")
set(moxa_programy "")
set(moxa_cile "")
foreach(radek IN LISTS moxa_radky)
  string(REGEX MATCH "^([^ ]+) +([^ ]+)$" moxa_shoda "${radek}")
  if(NOT moxa_shoda)
    message(FATAL_ERROR "packaging/programs.txt: not a program and its target: '${radek}'")
  endif()
  list(APPEND moxa_programy ${CMAKE_MATCH_1})
  list(APPEND moxa_cile ${CMAKE_MATCH_2})
endforeach()

# Before anything is copied: the folders of the installation that do not exist yet, so
# that removing the installation (the target `uninstall`) removes them again and no other.
file(GLOB_RECURSE moxa_priklady LIST_DIRECTORIES true RELATIVE ${PROJECT_SOURCE_DIR}/examples
  ${PROJECT_SOURCE_DIR}/examples/*)
list(FILTER moxa_priklady INCLUDE REGEX "^[^.]")
set(moxa_slozky ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_LIBDIR}/cmake/moxa
  ${CMAKE_INSTALL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_INCLUDEDIR}/moxa ${CMAKE_INSTALL_MANDIR}/man1
  ${CMAKE_INSTALL_DOCDIR}/examples)
foreach(priklad IN LISTS moxa_priklady)
  if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/examples/${priklad})
    list(APPEND moxa_slozky ${CMAKE_INSTALL_DOCDIR}/examples/${priklad})
  endif()
endforeach()
install(CODE "include(${PROJECT_SOURCE_DIR}/packaging/uninstall.cmake)
moxa_remember_new_folders(\"${PROJECT_BINARY_DIR}/install_folders.txt\" \"${moxa_slozky}\")")
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMOXA_MANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt
          -DMOXA_FOLDERS=${PROJECT_BINARY_DIR}/install_folders.txt
          -P ${PROJECT_SOURCE_DIR}/packaging/uninstall.cmake
  COMMENT "Removing the files that cmake --install put in place" VERBATIM)

# The programs and the library.
install(TARGETS ${moxa_cile} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(TARGETS moxa_shared moxa_static EXPORT moxa-targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(MOXA_DEBIAN)
  # Stripped as Debian strips its own packages: no compiler's notes (.comment, .note), no
  # symbols a user of the library does not need, a static library without debug
  # information and with its members' dates and owners zeroed.
  set(moxa_instalovano "\$ENV{DESTDIR}${CMAKE_INSTALL_FULL_LIBDIR}")
  foreach(program IN LISTS moxa_programy)
    install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}${CMAKE_INSTALL_FULL_BINDIR}/${program}\" COMMAND_ERROR_IS_FATAL ANY)"
      COMPONENT program)
  endforeach()
  install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --remove-section=.comment --remove-section=.note
    --strip-unneeded \"${moxa_instalovano}/libmoxa.so.${PROJECT_VERSION}\" COMMAND_ERROR_IS_FATAL ANY)"
    COMPONENT lib)
  install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-debug --remove-section=.comment
    --remove-section=.note --enable-deterministic-archives \"${moxa_instalovano}/libmoxa.a\"
    COMMAND_ERROR_IS_FATAL ANY)"
    COMPONENT dev)
endif()
install(FILES include/moxa/moxa.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/moxa COMPONENT dev)

# find_package(moxa CONFIG)
install(EXPORT moxa-targets NAMESPACE moxa:: DESTINATION ${moxa_cmakedir} COMPONENT dev)
configure_package_config_file(packaging/moxa-config.cmake.in ${moxa_gen}/moxa-config.cmake
  INSTALL_DESTINATION ${moxa_cmakedir})
write_basic_package_version_file(${moxa_gen}/moxa-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${moxa_gen}/moxa-config.cmake ${moxa_gen}/moxa-config-version.cmake
  DESTINATION ${moxa_cmakedir} COMPONENT dev)

# pkg-config, relocatable: the prefix is found from where the .pc file lies.
file(RELATIVE_PATH MOXA_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
string(REGEX REPLACE "/$" "" MOXA_PC_TO_PREFIX "${MOXA_PC_TO_PREFIX}")
set(MOXA_PC_THREADS "")
if(MOXA_THREADS)
  set(MOXA_PC_THREADS "-pthread")
endif()
configure_file(packaging/moxa.pc.in ${moxa_gen}/moxa.pc @ONLY)
install(FILES ${moxa_gen}/moxa.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# The man pages, the README and the example programs. The pages in the tree read as they are
# (`man -l packaging/moxa.1`); the installed ones name this version in their footer, and
# moxa's page the folder this installation puts the README in.
set(moxa_manualy ${moxa_programy})
foreach(m IN LISTS moxa_manualy)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS packaging/${m}.1)
  file(READ packaging/${m}.1 moxa_stranka)
  string(REGEX REPLACE "^(\\.TH [^\n]*\"moxa)\"" "\\1 ${PROJECT_VERSION}\"" moxa_stranka
         "${moxa_stranka}")
  string(REPLACE "\n.IR /usr/share/doc/moxa .\n" "\n.IR ${CMAKE_INSTALL_FULL_DOCDIR} .\n"
         moxa_stranka "${moxa_stranka}")
  file(WRITE ${moxa_gen}/${m}.1.new "${moxa_stranka}")
  configure_file(${moxa_gen}/${m}.1.new ${moxa_gen}/${m}.1 COPYONLY)
endforeach()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT program)
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT program)
if(NOT MOXA_DEBIAN)
  # moxa's page names the README's folder under the prefix the installation is made into,
  # which `cmake --install --prefix` may change after configuring; the page is written
  # again when it is installed.
  foreach(m IN LISTS moxa_manualy)
    install(CODE "set(moxa_docdir \"${CMAKE_INSTALL_DOCDIR}\")
set(moxa_mandir \"${CMAKE_INSTALL_MANDIR}/man1\")
foreach(slozka moxa_docdir moxa_mandir)
  if(NOT IS_ABSOLUTE \"\${\${slozka}}\")
    set(\${slozka} \"\${CMAKE_INSTALL_PREFIX}/\${\${slozka}}\")
  endif()
endforeach()
file(READ \"${moxa_gen}/${m}.1\" moxa_stranka)
string(REPLACE \"\n.IR ${CMAKE_INSTALL_FULL_DOCDIR} .\n\" \"\n.IR \${moxa_docdir} .\n\"
       moxa_stranka \"\${moxa_stranka}\")
file(MAKE_DIRECTORY \"${moxa_gen}/installed\")
file(WRITE \"${moxa_gen}/installed/${m}.1\" \"\${moxa_stranka}\")
file(INSTALL \"${moxa_gen}/installed/${m}.1\" DESTINATION \"\${moxa_mandir}\")"
      COMPONENT program)
  endforeach()
else()
  # gzip -n: no name or time stamp inside, so the packages build reproducibly.
  configure_file(packaging/changelog.Debian ${moxa_gen}/changelog.Debian @ONLY)
  configure_file(packaging/copyright ${moxa_gen}/copyright @ONLY)
  list(TRANSFORM moxa_manualy PREPEND ${moxa_gen}/ OUTPUT_VARIABLE moxa_man)
  list(TRANSFORM moxa_man APPEND .1)
  list(TRANSFORM moxa_man APPEND .gz OUTPUT_VARIABLE moxa_man_gz)
  add_custom_command(OUTPUT ${moxa_man_gz} ${moxa_gen}/changelog.Debian.gz
    COMMAND gzip -9nkf ${moxa_man} ${moxa_gen}/changelog.Debian
    DEPENDS ${moxa_man} ${moxa_gen}/changelog.Debian)
  add_custom_target(moxa_debian_docs ALL DEPENDS ${moxa_man_gz} ${moxa_gen}/changelog.Debian.gz)
  install(FILES ${moxa_man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
  set(moxa_komponenty program lib dev)
  set(moxa_balicky moxa ${MOXA_BALICKY_LIB} ${MOXA_BALICKY_DEV})
  foreach(komponenta balik IN ZIP_LISTS moxa_komponenty moxa_balicky)
    install(FILES ${moxa_gen}/copyright ${moxa_gen}/changelog.Debian.gz
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${balik} COMPONENT ${komponenta})
  endforeach()
endif()

# Debian packages.
set(CPACK_PACKAGE_NAME moxa)
set(CPACK_PACKAGE_VENDOR "moxa developers")
set(CPACK_PACKAGE_CONTACT "moxa developers <moxa@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL program lib dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME moxa)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION interpreters)
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
  "interpreter of the moxa teaching language
moxa runs programs of a small imperative teaching language (files ending
in .mox) while it reads them. Every value is a text; every message is fixed
and in Czech without diacritics, so that outputs can be compared byte for
byte.
.
moxa-grade grades a class's submissions against an assignment's tests, in
parallel, and writes the results as a table, Gradescope results.json,
JUnit XML, TAP or CSV. moxa-similar finds submissions that were copied,
from their tokens and from what their runs do, and shows them side by side.")

set(CPACK_DEBIAN_LIB_PACKAGE_NAME ${MOXA_BALICKY_LIB})
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
# The library's control files: what packages linked against it depend on, and the trigger
# that updates the loader's cache when it is installed or removed.
file(WRITE ${moxa_gen}/lib-control/shlibs
  "libmoxa ${PROJECT_VERSION_MAJOR} ${MOXA_BALICKY_LIB} (>= ${PROJECT_VERSION})\n")
file(WRITE ${moxa_gen}/lib-control/triggers "activate-noawait ldconfig\n")
# The symbols the library exports and the version that brought each.
configure_file(packaging/libmoxa.symbols ${moxa_gen}/lib-control/symbols @ONLY)
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA
  ${moxa_gen}/lib-control/shlibs ${moxa_gen}/lib-control/symbols ${moxa_gen}/lib-control/triggers)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/deb_post_build.cmake)
set(CPACK_COMPONENT_LIB_DESCRIPTION
  "moxa interpreter as a library - shared library
The moxa interpreter as a library with a C API: it runs .mox programs held
in memory, with limits on steps, output and memory, in any number of
threads.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${MOXA_BALICKY_DEV})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS lib)
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "moxa interpreter as a library - development files
The header moxa/moxa.h, the static library, and the files with which
CMake (find_package(moxa)) and pkg-config find the library.")

include(CPack)
