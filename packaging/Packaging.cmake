# Where `cmake --install` puts the program and its desktop files, and the
# Debian package CPack builds from them.
include(GNUInstallDirs)

set(QZM_RESOURCES ${CMAKE_SOURCE_DIR}/src/resources)

install(TARGETS qzm RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The desktop entry and the MIME type, under the names the program uses
# when it registers itself for the user.
install(FILES ${QZM_RESOURCES}/zelvra-qzm.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QZM_RESOURCES}/zelvra-qzm.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

foreach(size 16 32 48 64 128 256)
  set(dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size})
  install(FILES ${QZM_RESOURCES}/icons/${size}/qzm.png DESTINATION ${dir}/apps RENAME zelvra-qzm.png)
  install(FILES ${QZM_RESOURCES}/icons/${size}/qzm-document.png DESTINATION ${dir}/mimetypes
          RENAME application-x-qzm.png)
endforeach()
install(FILES ${QZM_RESOURCES}/icons/qzm.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME zelvra-qzm.svg)
install(FILES ${QZM_RESOURCES}/icons/qzm-document.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes RENAME application-x-qzm.svg)

# Manual pages, compressed as Debian expects when gzip is at hand.
find_program(GZIP_EXECUTABLE gzip)
set(man_pages qzm qzm-cli qzm-sim)
set(man_outputs)
foreach(page ${man_pages})
  set(source ${CMAKE_SOURCE_DIR}/packaging/man/${page}.1)
  if(GZIP_EXECUTABLE)
    set(output ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${GZIP_EXECUTABLE} -9 -n -c ${source} > ${output}
      DEPENDS ${source} VERBATIM)
  else()
    set(output ${source})
  endif()
  list(APPEND man_outputs ${output})
endforeach()
add_custom_target(qzm_man ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# bash-completion loads a command's completion on demand from this folder.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/completion/qzm-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Debian wants the copyright statement and the changelog (compressed) next to
# the package's other documents.
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qzm-configurator)
if(GZIP_EXECUTABLE)
  set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${GZIP_EXECUTABLE} -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${changelog}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
  add_custom_target(qzm_changelog ALL DEPENDS ${changelog})
  install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qzm-configurator)
endif()

# Software centres find the program by its AppStream metainfo.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/io.github.zelvra.qzm.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Lintian: the program's texts keep their spelling.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME qzm-configurator)

# A stripped package also drops the sections nothing at run time reads.
find_program(QZM_STRIP NAMES ${CMAKE_STRIP} strip)
if(QZM_STRIP)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      file(GLOB binaries \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/qzm/plugins/*\")
      foreach(program qzm qzm-cli qzm-sim)
        list(APPEND binaries \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
      endforeach()
      foreach(binary \${binaries})
        execute_process(COMMAND \"${QZM_STRIP}\" --remove-section=.comment --remove-section=.note \"\${binary}\")
      endforeach()
    endif()")
endif()

# Debian package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qzm-configurator)
set(CPACK_PACKAGE_VENDOR Zelvra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Zelvra <support@zelvra.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration tool for QZM data concentrators")
# Lines of the extended description stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "Writes the configuration of a QZM data concentrator (what it reads from
and writes to the devices of its serial field network), keeps it as a .qzm
document, prints it, exports it as a text report and sends it to the device
over a serial port. Includes qzm-cli, the headless companion, and qzm-sim,
a simulated device.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zelvra.invalid/qzm")
# The platform plugins are loaded at run time, so no library scan finds them.
find_program(DPKG_SHLIBDEPS_EXECUTABLE dpkg-shlibdeps)
if(DPKG_SHLIBDEPS_EXECUTABLE)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6core6 (>= 6.2), libqt6gui6 (>= 6.2), libqt6widgets6 (>= 6.2), libqt6printsupport6 (>= 6.2), libqt6network6 (>= 6.2), libqt6serialport6 (>= 6.2), qt6-qpa-plugins")
endif()
set(CPACK_STRIP_FILES ON)
include(CPack)
