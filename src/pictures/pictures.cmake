# The picture page, the import, and the background list with its window (Qt).
add_library(nodo_pictures STATIC
  PicImage.cpp PicImage.h
)
target_link_libraries(nodo_pictures PUBLIC nodo_globals nodo_platform nodo_pictures_core)
