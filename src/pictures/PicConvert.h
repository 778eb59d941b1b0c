#pragma once
// Turning imported pictures into BMP files, and shrinking wide backgrounds.
#include "imaging/Bitmap.h"

#include <string>

namespace nodo {

// Decodes a JPEG and writes it as a 24-bit BMP named like the JPEG with ".bmp" (an existing file of
// that name, in any case, is replaced). Returns the BMP's path. Throws pic::PictureError.
std::string JpgToBmp(const std::string& fileName);
// The same into `target`.
std::string JpgToBmp(const std::string& fileName, const std::string& target);

// The GIF's first frame on its whole logical screen, transparent parts white, as a 24-bit BMP beside
// it (or into `target`). Returns the BMP's path. Throws pic::PictureError.
std::string GifToBmp(const std::string& fileName);
std::string GifToBmp(const std::string& fileName, const std::string& target);

// A BMP equivalent of a picture file, by its extension without regard to case: a ".bmp" is itself;
// a ".jpg", ".jpeg" or ".gif" is converted into `outFolder` under its own base name with ".bmp"
// (beside the file when outFolder is empty); any other extension gives an empty string.
std::string PicToBmp(const std::string& fileName, const std::string& outFolder = {});
// The path PicToBmp converts a ".jpg", ".jpeg" or ".gif" to, for writers that have the picture
// decoded already.
std::string BmpTargetFor(const std::string& fileName, const std::string& outFolder = {});

// `name` taken as one file name inside `folder` (a '\' in it is part of the name, so it never leads out of
// the folder), matched without regard to case against what exists there.
std::string FileInFolder(const std::string& folder, const std::string& name);

// Resizes by taking the nearest source pixel for every target pixel: rows and columns are dropped
// or repeated, never averaged.
pic::Bitmap StretchNearest(const pic::Bitmap& source, int width, int height);

// Loads the BMP `source`, stretches it to exactly width x height whatever its proportions, and
// writes it to `target` as a 24-bit BMP (source and target may be one file).
void StretchPic(const std::string& source, const std::string& target, int width = 1280, int height = 768);

} // namespace nodo
