#pragma once

// One size of the window icon, decoded at build time: size by size pixels of
// premultiplied RGBA bytes.
struct AppIconPixels
{
    int size;
    const unsigned char* rgba;
};

// 16, 32, 48 and 64 pixels, made from icons/<size>/qzm.png by qzm-iconpixels.
extern const AppIconPixels kAppIconPixels[];
extern const int kAppIconPixelsCount;
