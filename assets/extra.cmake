# The default background "A1.bmp" is drawn at build time by a small program of ours, so the
# repository keeps no binary picture and the application folder always has one.
add_executable(nodo_make_a1 tools/make_a1.cpp)
target_link_libraries(nodo_make_a1 PRIVATE Qt6::Gui nodo_pictures_core)
target_include_directories(nodo_make_a1 PRIVATE ${CMAKE_SOURCE_DIR}/src)

set(nodo_default_bg ${NODO_APP_DIR}/source/DeskTopBG/A1.bmp)
add_custom_command(
  OUTPUT ${nodo_default_bg}
  COMMAND nodo_make_a1 ${nodo_default_bg}
  DEPENDS nodo_make_a1
  COMMENT "Drawing the default background A1.bmp"
  VERBATIM)
add_custom_target(nodo_default_background ALL DEPENDS ${nodo_default_bg})
install(FILES ${nodo_default_bg} DESTINATION source/DeskTopBG)
