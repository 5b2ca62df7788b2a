# fendix_man_page(SOURCE): a manual page of section 1 written in man(7) macros, with
# @PROJECT_VERSION@ filled in, compressed as Debian keeps them and installed under
# share/man/man1. The page with the version filled in is build/man/NAME.1.
function(fendix_man_page source)
  get_filename_component(name "${source}" NAME_WE)
  set(page "${PROJECT_BINARY_DIR}/man/${name}.1")
  configure_file("${source}" "${page}" @ONLY)
  add_custom_command(OUTPUT "${page}.gz"
    COMMAND sh -c "gzip -9n < \"$1\" > \"$1.gz\"" sh "${page}"
    DEPENDS "${page}"
    COMMENT "Compressing the manual page ${name}(1)"
    VERBATIM)
  add_custom_target(man-${name} ALL DEPENDS "${page}.gz")
  install(FILES "${page}.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
