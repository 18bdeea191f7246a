# Installing both programs with what they read at run time, and the Debian package built from
# the same rules (make package).
include(GNUInstallDirs)

set(ORVANE_DATA_DIR ${CMAKE_INSTALL_DATADIR}/orvane-nr)

install(TARGETS orvane-nr-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The camera raw decoder runs in its own process; the programs look for it here.
if(TARGET orvane-raw-helper)
  install(TARGETS orvane-raw-helper RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/orvane-nr)
endif()
if(TARGET orvane-nr)
  install(TARGETS orvane-nr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES resources/orvane-nr.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES resources/icons/orvane-nr-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME orvane-nr.png)
  endforeach()
endif()
install(DIRECTORY resources/Help DESTINATION ${ORVANE_DATA_DIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/profiles)
  install(DIRECTORY resources/profiles DESTINATION ${ORVANE_DATA_DIR})
endif()

# Manual pages and the changelog go in compressed, as Debian expects them.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(ORVANE_GZ_DIR ${PROJECT_BINARY_DIR}/gz)
set(ORVANE_GZ_FILES)
foreach(source man/orvane-nr-cli.1 man/orvane-nr.1 debian/changelog)
  get_filename_component(name ${source} NAME)
  set(gz ${ORVANE_GZ_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVANE_GZ_DIR}
    COMMAND ${GZIP_PROGRAM} -9n -c ${PROJECT_SOURCE_DIR}/resources/${source} > ${gz}
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/${source})
  list(APPEND ORVANE_GZ_FILES ${gz})
endforeach()
add_custom_target(orvane_man ALL DEPENDS ${ORVANE_GZ_FILES})
install(FILES ${ORVANE_GZ_DIR}/orvane-nr-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET orvane-nr)
  install(FILES ${ORVANE_GZ_DIR}/orvane-nr.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # What software centres list: the application's description and screenshots.
  install(FILES resources/metainfo/orvane-nr.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
install(FILES resources/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvane-nr)
install(FILES ${ORVANE_GZ_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvane-nr)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane-nr)
set(CPACK_PACKAGE_VENDOR "Quillmark")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo noise reduction")
# One string: a list of several would be joined with semicolons into the control file.
set(CPACK_PACKAGE_DESCRIPTION "Orvane NR removes noise from one photograph at a time. The desktop
program shows the picture and its denoised result side by side, with colour
correction, colour match, crop and rotate. orvane-nr-cli does the same from
the command line for many files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillmark <support@quillmark.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The runtime libraries come from what the programs link (libjpeg, libpng, libtiff, libraw,
# libexiv2, Qt); the platform plugin is loaded, not linked, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-dejavu-core")
include(CPack)
