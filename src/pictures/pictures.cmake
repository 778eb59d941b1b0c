# Conversions and the background list file are plain C++ beside the shared state, so the command
# line and the wallpaper core can use them without Qt.
target_sources(nodo_globals PRIVATE PicConvert.cpp PicConvert.h BGPicList.cpp BGPicList.h)
target_link_libraries(nodo_globals PUBLIC nodo_pictures_core)

# The picture page, the import, and the background list window (Qt).
add_library(nodo_pictures STATIC
  PicImage.cpp PicImage.h
  PicImport.cpp PicImport.h
  uPicSel.cpp uPicSel.h
)
target_link_libraries(nodo_pictures PUBLIC nodo_globals nodo_platform nodo_pictures_core nodo_ui)
