# Installs the build into PREFIX-system afresh, after leaving in the build's run folder the kind of
# files a run writes there: an installation must hold the pristine tree only. Then lays PREFIX out as
# a tree unpacked in the home folder: the programs beside the template and the web pages.
set(SYSTEM ${PREFIX}-system)
file(REMOVE_RECURSE ${PREFIX} ${SYSTEM})
set(leftovers data/FormSize.ini data/configSetBg.ini data/tmppic.ini tmp/tmp.bmp
              source/DeskTopBG/Mix.bmp source/DeskTopBG/added-by-a-run.bmp)
set(placed "")
foreach(f ${leftovers})
  if(NOT EXISTS ${BUILD}/app/${f})
    file(WRITE ${BUILD}/app/${f} "left by a run")
    list(APPEND placed ${BUILD}/app/${f})
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${SYSTEM} RESULT_VARIABLE rc OUTPUT_QUIET)
if(placed)
  file(REMOVE ${placed})
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(template share/nodo)
foreach(f bin/nodo bin/nodo-cli bin/nodo-calendar libexec/nodo/nodo-month-picture ${template}/source/DeskTopBG/A1.bmp ${template}/web/rs/Tavi.htm
          ${template}/web/help4/tavia.htm ${template}/web/help4/tavib.htm
          share/applications/${APP_ID}.desktop share/metainfo/${APP_ID}.metainfo.xml
          share/icons/hicolor/scalable/apps/${APP_ID}.svg share/icons/hicolor/16x16/apps/${APP_ID}.png
          share/icons/hicolor/256x256/apps/${APP_ID}.png share/man/man1/nodo-cli.1.gz share/man/man1/nodo.1.gz
          share/doc/nodo/copyright ${template}/data/notes.db
          share/applications/${APP_ID}.calendar.desktop share/metainfo/${APP_ID}.calendar.metainfo.xml
          share/icons/hicolor/scalable/apps/${APP_ID}.calendar.svg share/icons/hicolor/48x48/apps/${APP_ID}.calendar.png
          share/man/man1/nodo-calendar.1.gz)
  if(NOT EXISTS ${SYSTEM}/${f})
    message(FATAL_ERROR "the installation lacks ${f}")
  endif()
endforeach()
if(NOT IS_DIRECTORY ${SYSTEM}/${template}/data)
  message(FATAL_ERROR "the installation lacks the data folder")
endif()
foreach(f ${leftovers} tmp)
  if(EXISTS ${SYSTEM}/${template}/${f})
    message(FATAL_ERROR "the installation holds ${f}, which a run wrote into the build folder")
  endif()
endforeach()

file(COPY ${SYSTEM}/${template}/ DESTINATION ${PREFIX})
file(COPY ${SYSTEM}/bin/nodo ${SYSTEM}/bin/nodo-cli ${SYSTEM}/bin/nodo-calendar ${SYSTEM}/libexec/nodo/nodo-month-picture DESTINATION ${PREFIX})
file(REMOVE_RECURSE ${SYSTEM})
