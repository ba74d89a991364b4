# The packages' files that carry the identity (cmake/Identity.cmake), made
# from their templates in packaging/ into <build>/packaging/, where
# scripts/package.sh takes them from the Linux release tree.
set(VEXA_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
foreach(template
    release.env.in
    debian/control.in
    linux/INSTALL.txt.in
    windows/INSTALL.txt.in
    windows/Identity.nsh.in)
  string(REGEX REPLACE "[.]in$" "" made ${template})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${template} ${VEXA_PACKAGING_DIR}/${made} @ONLY)
endforeach()
