# What `cmake --install` puts in place beside the two programs and the guide interface library, and the Debian package `cpack -G DEB`
# makes of it: the desktop entry, the icon (SVG and PNGs rendered from it at build time), the MIME type
# of documents, the help pages, the example documents, the manual pages and the AppStream metadata.
# The programs and the library install themselves (src/ and tools/).
include(GNUInstallDirs)
set(resources ${PROJECT_SOURCE_DIR}/resources)

# The example documents, also copied into the build tree so that Help > Examples finds them there
# (beside build/src/lumacurve, as share/lumacurve/examples is beside bin/lumacurve once installed).
file(GLOB example_documents CONFIGURE_DEPENDS ${resources}/examples/*.lcv)
file(COPY ${example_documents} DESTINATION ${PROJECT_BINARY_DIR}/share/lumacurve/examples)
install(FILES ${example_documents} DESTINATION ${CMAKE_INSTALL_DATADIR}/lumacurve/examples)
install(FILES ${resources}/Lumacurve.lcv DESTINATION ${CMAKE_INSTALL_DATADIR}/lumacurve)

# Manual pages, with the version filled in and compressed as Debian keeps them.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(manual_pages)
foreach(page lumacurve lcvtool)
  set(VERSION ${PROJECT_VERSION})
  configure_file(${resources}/man/${page}.1 ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.1.gz
                     COMMAND ${GZIP_PROGRAM} -9nf -k ${PROJECT_BINARY_DIR}/man/${page}.1
                     DEPENDS ${PROJECT_BINARY_DIR}/man/${page}.1
                     COMMENT "Compressing the manual page ${page}.1")
  list(APPEND manual_pages ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(lumacurve_manual_pages ALL DEPENDS ${manual_pages})
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# AppStream metadata; its release is the project's version.
configure_file(${resources}/org.brenlow.Lumacurve.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/metainfo/org.brenlow.Lumacurve.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/metainfo/org.brenlow.Lumacurve.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

if(TARGET lumacurve)
  install(FILES ${resources}/lumacurve.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${resources}/lumacurve-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME lumacurve.xml)
  install(FILES ${resources}/lumacurve.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${resources}/lumacurve.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
          RENAME application-x-lumacurve.svg)
  file(GLOB help_pages CONFIGURE_DEPENDS ${resources}/help/*.html)
  install(FILES ${help_pages} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumacurve/help)
endif()

# The icon as PNGs of the theme's sizes, rendered from the SVG by a small helper of the build.
set(LUMACURVE_ICON_SIZES 16 32 48 64 128 256)
if(TARGET Qt6::Svg AND TARGET lumacurve)
  add_executable(lumacurve_rendericon ${PROJECT_SOURCE_DIR}/tools/rendericon.cpp)
  target_link_libraries(lumacurve_rendericon PRIVATE Qt6::Gui Qt6::Svg)
  set(icon_pngs)
  foreach(size ${LUMACURVE_ICON_SIZES})
    list(APPEND icon_pngs ${PROJECT_BINARY_DIR}/icons/${size}x${size}/apps/lumacurve.png)
  endforeach()
  add_custom_command(OUTPUT ${icon_pngs}
                     COMMAND lumacurve_rendericon ${resources}/lumacurve.svg ${PROJECT_BINARY_DIR}/icons
                             ${LUMACURVE_ICON_SIZES}
                     DEPENDS lumacurve_rendericon ${resources}/lumacurve.svg
                     COMMENT "Rendering the icon as PNG pictures")
  add_custom_target(lumacurve_icons ALL DEPENDS ${icon_pngs})
  foreach(size ${LUMACURVE_ICON_SIZES})
    install(FILES ${PROJECT_BINARY_DIR}/icons/${size}x${size}/apps/lumacurve.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

# The Debian package: lumacurve_<version>_amd64.deb, its library dependencies found by dpkg-shlibdeps.
# Beside those, the window needs Qt's platform plugins and the fonts the program draws formulas with.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumacurve)
set(CPACK_PACKAGE_VENDOR Brenlow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brenlow Lumacurve team <lumacurve@brenlow.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "graph plotter for teaching and learning school mathematics")
# The long description; CPack puts the summary above it and turns the empty line into " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Lumacurve draws the graphs of equations and inequalities typed in ordinary
two-dimensional notation: explicit, parametric and polar curves, implicit
relations, shaded inequalities, families of curves and animated constants.

The package holds the desktop program lumacurve, lcvtool, which gives the
formula engine to the command line, and the guide interface library
liblumatutor with its header and pkg-config file, through which a tutoring
program drives the running program.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The package's shlibs file names liblumatutor.so.1, so programs built against it depend on this package;
# installing and removing it runs ldconfig.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
include(CPack)
