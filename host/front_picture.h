// The picture of the instrument's front, carried in the program as JPEG bytes.
#pragma once

#include <QImage>

// Decodes the embedded JPEG (620 by 620). Returns a null image if it cannot be
// decoded, so the window still opens, only without its picture.
QImage load_front_picture();

// Decodes any JPEG held in memory; a null image on any error.
QImage decode_jpeg(const unsigned char* data, std::size_t size);
