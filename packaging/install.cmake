# Installing like any desktop tool: `cmake --install` (make install) lays out the programs, the launcher,
# its icons, the AppStream metainfo, the manual pages and the shell completion; CPack turns the same
# layout into a Debian package (make package).

include(GNUInstallDirs)
# Debian looks for a package's copyright and changelog in /usr/share/doc/<package>.
set(QUILLON_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillon)

set(QUILLON_APP_ID "org.quillon.Quillon")
set(QUILLON_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(QUILLON_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${QUILLON_PACKAGING_OUT})

find_program(QUILLON_HELP2MAN help2man REQUIRED)
find_program(QUILLON_GZIP gzip REQUIRED)

# Manual pages are installed compressed (gzip -9n: no name, no time stamp, so rebuilds are identical).
function(quillon_gzip_man source page)
  add_custom_command(OUTPUT ${QUILLON_PACKAGING_OUT}/${page}.gz
    COMMAND ${QUILLON_GZIP} -9n -c ${source} > ${QUILLON_PACKAGING_OUT}/${page}.gz
    DEPENDS ${source} VERBATIM)
endfunction()

# quillon-cli(1) comes from the freshly built program's --help, so the page and the help never disagree.
add_custom_command(OUTPUT ${QUILLON_PACKAGING_OUT}/quillon-cli.1
  COMMAND ${QUILLON_HELP2MAN} --no-info --no-discard-stderr --section=1
          "--name=convert public-key files without a window"
          --include=${QUILLON_PACKAGING_DIR}/quillon-cli.h2m
          --output=${QUILLON_PACKAGING_OUT}/quillon-cli.1.filled $<TARGET_FILE:quillon-cli>
  COMMAND awk -f ${QUILLON_PACKAGING_DIR}/man-tables.awk ${QUILLON_PACKAGING_OUT}/quillon-cli.1.filled
          > ${QUILLON_PACKAGING_OUT}/quillon-cli.1
  DEPENDS quillon-cli ${QUILLON_PACKAGING_DIR}/quillon-cli.h2m ${QUILLON_PACKAGING_DIR}/man-tables.awk VERBATIM)
quillon_gzip_man(${QUILLON_PACKAGING_OUT}/quillon-cli.1 quillon-cli.1)
set(QUILLON_PACKAGING_FILES ${QUILLON_PACKAGING_OUT}/quillon-cli.1.gz)

add_custom_command(OUTPUT ${QUILLON_PACKAGING_OUT}/changelog.gz
  COMMAND ${QUILLON_GZIP} -9n -c ${QUILLON_PACKAGING_DIR}/changelog > ${QUILLON_PACKAGING_OUT}/changelog.gz
  DEPENDS ${QUILLON_PACKAGING_DIR}/changelog VERBATIM)
list(APPEND QUILLON_PACKAGING_FILES ${QUILLON_PACKAGING_OUT}/changelog.gz)

install(TARGETS quillon-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${QUILLON_PACKAGING_OUT}/quillon-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QUILLON_PACKAGING_DIR}/quillon-cli.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quillon-cli)
install(FILES ${QUILLON_PACKAGING_DIR}/copyright ${QUILLON_PACKAGING_OUT}/changelog.gz
  DESTINATION ${QUILLON_DOC_DIR})

if(QUILLON_GUI)
  # The menu's icons are drawn from the window's own icon art by a small tool of ours.
  add_executable(quillon-icon-png ${QUILLON_PACKAGING_DIR}/icon_png.cpp
    ${PROJECT_SOURCE_DIR}/app/app_icon.cpp ${PROJECT_SOURCE_DIR}/app/app_icon_art.cpp)
  target_link_libraries(quillon-icon-png PRIVATE Qt6::Gui)
  foreach(size 16 32 48)
    set(png ${QUILLON_PACKAGING_OUT}/icons/${size}/${QUILLON_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLON_PACKAGING_OUT}/icons/${size}
      COMMAND $<TARGET_FILE:quillon-icon-png> ${size} ${png}
      DEPENDS quillon-icon-png VERBATIM)
    list(APPEND QUILLON_PACKAGING_FILES ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()

  quillon_gzip_man(${QUILLON_PACKAGING_DIR}/quillon.1 quillon.1)
  list(APPEND QUILLON_PACKAGING_FILES ${QUILLON_PACKAGING_OUT}/quillon.1.gz)

  install(TARGETS quillon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${QUILLON_PACKAGING_OUT}/quillon.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${QUILLON_PACKAGING_DIR}/${QUILLON_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${QUILLON_PACKAGING_DIR}/${QUILLON_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

add_custom_target(quillon_packaging ALL DEPENDS ${QUILLON_PACKAGING_FILES})

if(QUILLON_TESTS)
  # Installs into a scratch DESTDIR and checks every file there, the launcher, the metainfo, the
  # manual pages and the completion.
  add_test(NAME packaging_install
    COMMAND ${QUILLON_PACKAGING_DIR}/check-install.sh ${PROJECT_BINARY_DIR} ${PROJECT_VERSION}
            $<IF:$<BOOL:${QUILLON_GUI}>,gui,cli>)
endif()

# ---- The Debian package (make package) -------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillon authors")
set(CPACK_PACKAGE_CONTACT "Quillon maintainers <maintainers@quillon.invalid>" CACHE STRING "Package maintainer")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert certificates, keys and PKCS#7/8/12 files")
# Debian wants the description's lines under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
  "Quillon reads certificates, CRLs, certificate requests, RSA, DSA and EC\n"
  "private keys, PKCS#7, PKCS#8 and PKCS#12 files in PEM or DER, arranges the\n"
  "certificates into one chain and writes one chosen form, encrypted where the\n"
  "form allows. The package holds the window (quillon) and the command line\n"
  "(quillon-cli).")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
if(QUILLON_GUI)
  # Loaded by Qt at run time, so no library dependency names it: without it the window cannot start.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
# Files protected with RC2, single DES or other old ciphers open only with OpenSSL's legacy provider. Debian
# ships it as a package of its own from trixie on (before that it is part of libssl3): recommend it where
# the building distribution has it.
execute_process(COMMAND apt-cache show --no-all-versions openssl-provider-legacy
  RESULT_VARIABLE QUILLON_LEGACY_PROVIDER_MISSING OUTPUT_QUIET ERROR_QUIET)
if(QUILLON_LEGACY_PROVIDER_MISSING EQUAL 0)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "openssl-provider-legacy")
endif()
include(CPack)
