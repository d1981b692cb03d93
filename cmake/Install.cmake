# What `cmake --install` places and what `cpack -G DEB` packs: both programs, the desktop
# entry and its icon, the AppStream metainfo and the man pages.

include(GNUInstallDirs)

set(TONVANE_APP_ID org.tonvane.Tonvane)
set(TONVANE_HOMEPAGE_URL "https://tonvane.org"
    CACHE STRING "The project's home page, also where the metainfo's screenshot is found")
set(TONVANE_RELEASE_DATE "2026-12-07" CACHE STRING "The release date the metainfo gives")

set(data_out ${PROJECT_BINARY_DIR}/data)
configure_file(${PROJECT_SOURCE_DIR}/data/${TONVANE_APP_ID}.metainfo.xml.in
               ${data_out}/${TONVANE_APP_ID}.metainfo.xml @ONLY)

# Man pages go compressed, as Debian has them; -n keeps the package the same from build to build.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(man_pages)
foreach(page tonvane.1 tonvane-analyse.1)
  add_custom_command(
    OUTPUT ${data_out}/${page}.gz
    COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/data/${page} > ${data_out}/${page}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/data/${page}
    VERBATIM)
  list(APPEND man_pages ${data_out}/${page}.gz)
endforeach()
add_custom_target(tonvane_man_pages ALL DEPENDS ${man_pages})

install(TARGETS tonvane tonvane-analyse RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/${TONVANE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/tonvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${data_out}/${TONVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package. Its dependencies are those of the shared libraries the programs link,
# found by dpkg-shlibdeps, and the Qt plug-ins the panel loads at run time: the display
# platforms and the SVG icon engine.
set(CPACK_PACKAGE_NAME tonvane)
set(CPACK_PACKAGE_VENDOR "${TONVANE_COMPANY_NAME}")
set(CPACK_PACKAGE_CONTACT "${TONVANE_COMPANY_NAME}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Analyse the sound of bells")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Tonvane analyses recordings of bells: it finds and names their partials (hum, prime,\n"
       "tierce, quint, nominal and the upper partials) with notes and cents, tabulates their\n"
       "decays and synthesises bells. tonvane-analyse analyses whole rings from a terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TONVANE_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
include(CPack)
