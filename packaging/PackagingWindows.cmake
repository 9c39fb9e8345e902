# What `cmake --install` puts in the Windows folder, and the installer CPack
# builds from it with NSIS: the programs, their plugins, the Qt libraries and
# plugins they load, the MinGW runtime and the manual pages as text.
#
#   <folder>\bin\qzm.exe, qzm-cli.exe, the DLLs, platforms\, styles\
#   <folder>\bin\plugins\  the program's own plugins
#   <folder>\doc\           README and the manual pages
install(TARGETS qzm RUNTIME DESTINATION bin)

set(QZM_QT_PREFIX "" CACHE PATH "The Qt built for Windows, whose DLLs the installer carries")
if(QZM_QT_PREFIX)
  foreach(library Core Gui Widgets Network PrintSupport)
    install(FILES ${QZM_QT_PREFIX}/bin/Qt6${library}.dll DESTINATION bin)
  endforeach()
  # Found beside the program: Qt looks for plugins in the program's folder.
  install(FILES ${QZM_QT_PREFIX}/plugins/platforms/qwindows.dll
                ${QZM_QT_PREFIX}/plugins/platforms/qoffscreen.dll DESTINATION bin/platforms)
  file(GLOB styles ${QZM_QT_PREFIX}/plugins/styles/*.dll)
  if(styles)
    install(FILES ${styles} DESTINATION bin/styles)
  endif()
endif()

# The compiler's runtime: C++ library, unwinder and threads.
get_filename_component(mingw_compiler_dir ${CMAKE_CXX_COMPILER} DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
  OUTPUT_VARIABLE libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
  OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
find_file(QZM_WINPTHREAD libwinpthread-1.dll PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH)
foreach(runtime ${libstdcxx} ${libgcc} ${QZM_WINPTHREAD})
  if(EXISTS ${runtime})
    install(FILES ${runtime} DESTINATION bin)
  endif()
endforeach()

# Manual pages rendered to plain text with Windows line ends.
find_program(QZM_GROFF groff)
set(manual_texts)
if(QZM_GROFF)
  foreach(page qzm qzm-cli)
    set(output ${CMAKE_BINARY_DIR}/doc/${page}.txt)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -DGROFF=${QZM_GROFF} -DINPUT=${CMAKE_SOURCE_DIR}/packaging/man/${page}.1
              -DOUTPUT=${output} -P ${CMAKE_SOURCE_DIR}/packaging/ManualText.cmake
      DEPENDS ${CMAKE_SOURCE_DIR}/packaging/man/${page}.1 ${CMAKE_SOURCE_DIR}/packaging/ManualText.cmake
      VERBATIM)
    list(APPEND manual_texts ${output})
  endforeach()
  add_custom_target(qzm_manual_text ALL DEPENDS ${manual_texts})
  install(FILES ${manual_texts} DESTINATION doc)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION doc)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME "QZM Configurator")
set(CPACK_PACKAGE_VENDOR Zelvra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME qzm-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "QZM Configurator")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "QZM Configurator")
set(CPACK_PACKAGE_EXECUTABLES qzm "QZM Configurator")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/packaging/copyright)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A 64-bit installer for a 64-bit program: it also runs where only 64-bit
# programs do (a Wine without its 32-bit half).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_DISPLAY_NAME "QZM Configurator")
set(CPACK_NSIS_PACKAGE_NAME "QZM Configurator ${PROJECT_VERSION}")
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/src/resources/icons/qzm.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\qzm.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The shell registration the program writes for the user goes with it.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "ExecWait '\\\"$INSTDIR\\\\bin\\\\qzm.exe\\\" /Unregister /Embedding'")
set(CPACK_STRIP_FILES ON)
include(CPack)
