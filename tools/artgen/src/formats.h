// The formats only the art generator writes: the module's icon (ICO) and the
// contact sheet's previews (PAM). The resources' DDS, BMP and JPEG files
// come from the picture toolkit (tools/picture).
#pragma once

#include <string>
#include <vector>

#include "art.h"

namespace art {

// Icon file with one 32-bit BGRA image (and its AND mask) per entry.
Bytes Ico(const std::vector<Image>& sizes);

// A preview for the contact sheet: RGB_ALPHA.
void WritePam(const std::string& path, const Image& image);

}  // namespace art
