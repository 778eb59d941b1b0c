# The daily refresh of the month on the wallpaper: a systemd user service and its timer, installed
# but not enabled (`nodo-cli calendar-wallpaper on` enables it). Included at the end of this folder's
# CMakeLists.txt, after the package's targets.
set(refresh_out ${CMAKE_CURRENT_BINARY_DIR}/refresh)
set(NODO_REFRESH_UNITS_DIR ${refresh_out}/test PARENT_SCOPE)
# As installed: the program by its name, which systemd looks for in /usr/local/bin and /usr/bin, so the
# same unit serves the package and a `cmake --install` under /usr/local.
set(NODO_CLI_PATH nodo-cli)
foreach(unit service timer)
  configure_file(nodo-calendar-wallpaper.${unit}.in ${refresh_out}/nodo-calendar-wallpaper.${unit} @ONLY)
  install(FILES ${refresh_out}/nodo-calendar-wallpaper.${unit} DESTINATION lib/systemd/user)
endforeach()
# For the tests: the same units starting the program of the build folder.
set(NODO_CLI_PATH ${NODO_APP_DIR}/nodo-cli)
foreach(unit service timer)
  configure_file(nodo-calendar-wallpaper.${unit}.in ${refresh_out}/test/nodo-calendar-wallpaper.${unit} @ONLY)
endforeach()
