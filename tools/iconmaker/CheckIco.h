// Reads an .ico file back and compares it with the images it should hold.
#pragma once

#include "EncodeIco.h"

#include <string>
#include <vector>

// Empty when file is a well-formed .ico of exactly these 32-bit images in
// this order (directory, headers, pixels and AND mask); otherwise what is
// wrong.
std::string CheckIco(const std::vector<uint8_t>& file, const std::vector<IcoImage>& images);
