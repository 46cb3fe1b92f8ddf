# `make install` (cmake --install with a prefix): both programs, their manual
# pages, the desktop entry, the DICOM file type and the application icon.
include(GNUInstallDirs)

set(VELTOR_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(VELTOR_CLI_COMMANDS dump info series anonymize convert extract search video)

if(TARGET veltor)
  install(TARGETS veltor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  add_custom_command(OUTPUT ${VELTOR_MAN_DIR}/veltor.1
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELTOR_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:veltor> -DNAME=veltor
      "-DSUMMARY=dump, check, convert and anonymize DICOM files" -DVERSION=${PROJECT_VERSION}
      "-DCOMMANDS=${VELTOR_CLI_COMMANDS}" -DOUTPUT=${VELTOR_MAN_DIR}/veltor.1
      -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/help_to_man.cmake
    DEPENDS veltor ${CMAKE_CURRENT_SOURCE_DIR}/cmake/help_to_man.cmake
    COMMENT "Writing the manual page of veltor" VERBATIM)
  add_custom_target(veltor-man ALL DEPENDS ${VELTOR_MAN_DIR}/veltor.1)
  install(FILES ${VELTOR_MAN_DIR}/veltor.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

if(TARGET veltor-viewer)
  install(TARGETS veltor-viewer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  add_custom_command(OUTPUT ${VELTOR_MAN_DIR}/veltor-viewer.1
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELTOR_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:veltor-viewer> -DNAME=veltor-viewer
      "-DSUMMARY=the Veltor Dicom Viewer desktop application" -DVERSION=${PROJECT_VERSION}
      -DOUTPUT=${VELTOR_MAN_DIR}/veltor-viewer.1
      -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/help_to_man.cmake
    DEPENDS veltor-viewer ${CMAKE_CURRENT_SOURCE_DIR}/cmake/help_to_man.cmake
    COMMENT "Writing the manual page of veltor-viewer" VERBATIM)
  add_custom_target(veltor-viewer-man ALL DEPENDS ${VELTOR_MAN_DIR}/veltor-viewer.1)
  install(FILES ${VELTOR_MAN_DIR}/veltor-viewer.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  install(FILES data/desktop/veltor-viewer.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/desktop/veltor-dicom.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES data/icons/veltor-viewer.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # The desktop's caches, when installing for real (not into a staging
  # DESTDIR) and where the tools exist.
  install(CODE [[
    if("$ENV{DESTDIR}" STREQUAL "")
      set(share "${CMAKE_INSTALL_PREFIX}/share")
      find_program(UPDATE_MIME update-mime-database)
      if(UPDATE_MIME)
        execute_process(COMMAND ${UPDATE_MIME} "${share}/mime")
      endif()
      find_program(UPDATE_DESKTOP update-desktop-database)
      if(UPDATE_DESKTOP)
        execute_process(COMMAND ${UPDATE_DESKTOP} -q "${share}/applications")
      endif()
      find_program(UPDATE_ICONS gtk-update-icon-cache)
      if(UPDATE_ICONS)
        execute_process(COMMAND ${UPDATE_ICONS} -q -t -f "${share}/icons/hicolor")
      endif()
    endif()
  ]])
endif()
