// A 24-bit top-down page bitmap as the bytes of a .bmp file, for people and tools to look at.
#pragma once

#include <windows.h>

#include <string>

#include "print/page_render_win.h"

inline std::string BmpFile(const void* bits, int width, int height) {
    const int stride = nv::PageBitmapStride(width);
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = width;
    ih.biHeight = -height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(stride) * height;
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&ih), sizeof ih);
    bytes.append(static_cast<const char*>(bits), static_cast<std::size_t>(stride) * height);
    return bytes;
}
