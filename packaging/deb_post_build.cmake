# Run by CPack once it has made the Debian packages. For a package with a shared library
# CPack adds maintainer scripts that run ldconfig; the library's package updates the
# loader's cache through a dpkg trigger instead, as Debian's own library packages do, so
# those scripts are taken out of it again.
foreach(balik IN LISTS CPACK_PACKAGE_FILES)
  if(NOT balik MATCHES "/libmoxa[0-9]+_[^/]*\\.deb$")
    continue()
  endif()
  set(rozbaleno "${CPACK_TOPLEVEL_DIRECTORY}/bez-ldconfig")
  file(REMOVE_RECURSE "${rozbaleno}")
  execute_process(COMMAND dpkg-deb --raw-extract "${balik}" "${rozbaleno}"
    COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE "${rozbaleno}/DEBIAN/postinst" "${rozbaleno}/DEBIAN/postrm")
  execute_process(COMMAND dpkg-deb --root-owner-group --build "${rozbaleno}" "${balik}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${rozbaleno}")
endforeach()
