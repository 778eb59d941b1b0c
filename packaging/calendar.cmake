# The calendar window as installed: its program, desktop entry, icon, AppStream data and manual page.
# Included at the end of this folder's CMakeLists.txt, after the package's targets.
set(cal_out ${CMAKE_CURRENT_BINARY_DIR}/calendar)
file(MAKE_DIRECTORY ${cal_out})
set(NODO_CALENDAR_DESKTOP_FILE ${cal_out}/${NODO_CALENDAR_APP_ID}.desktop PARENT_SCOPE)
set(NODO_CALENDAR_METAINFO_FILE ${cal_out}/${NODO_CALENDAR_APP_ID}.metainfo.xml PARENT_SCOPE)
configure_file(nodo-calendar.desktop.in ${cal_out}/${NODO_CALENDAR_APP_ID}.desktop @ONLY)
configure_file(nodo-calendar.metainfo.xml.in ${cal_out}/${NODO_CALENDAR_APP_ID}.metainfo.xml @ONLY)
configure_file(nodo-calendar.1.in ${cal_out}/nodo-calendar.1 @ONLY)
add_custom_command(OUTPUT ${cal_out}/nodo-calendar.1.gz
                   COMMAND ${GZIP_PROGRAM} -9 -n -c ${cal_out}/nodo-calendar.1 > ${cal_out}/nodo-calendar.1.gz
                   DEPENDS ${cal_out}/nodo-calendar.1 VERBATIM)

set(cal_icon_svg ${PROJECT_SOURCE_DIR}/assets/art/calendar_icon.svg)
set(cal_icon_pngs "")
foreach(size ${icon_sizes})
  set(png ${cal_out}/icons/${size}/${NODO_CALENDAR_APP_ID}.png)
  file(MAKE_DIRECTORY ${cal_out}/icons/${size})
  add_custom_command(OUTPUT ${png}
                     COMMAND nodo_render_icon ${cal_icon_svg} ${size} ${png}
                     DEPENDS nodo_render_icon ${cal_icon_svg} VERBATIM)
  list(APPEND cal_icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(nodo_calendar_desktop_files ALL DEPENDS ${cal_out}/nodo-calendar.1.gz ${cal_icon_pngs})

install(TARGETS nodo-calendar RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${cal_out}/${NODO_CALENDAR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${cal_out}/${NODO_CALENDAR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${cal_icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${NODO_CALENDAR_APP_ID}.svg)
install(FILES ${cal_out}/nodo-calendar.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
add_dependencies(deb nodo-calendar nodo_calendar_desktop_files)
