// GDI+ start-up and images decoded from the module's resources.
#pragma once

#include <memory>

#include "framework/win.h"

namespace tw::fw {

// Starts GDI+ for the life of the object (version 1, no debug callback).
class CGdiPlusSession {
 public:
  CGdiPlusSession();
  ~CGdiPlusSession();
  CGdiPlusSession(const CGdiPlusSession&) = delete;
  CGdiPlusSession& operator=(const CGdiPlusSession&) = delete;
  bool ok() const { return status_ == 0; }

 private:
  ULONG_PTR token_ = 0;
  int status_ = -1;
};

// An image resource of the given name and type: pixels decoded at build
// time ("TWPX", see resources/png_pixels.py), or a PNG or any format GDI+
// reads. Null when the resource is missing or does not decode.
std::unique_ptr<Gdiplus::Image> LoadImageResource(HINSTANCE inst, const wchar_t* name, const wchar_t* type);
// The 32-bit top-down DIB section a picture built from decoded pixels
// draws from, when every pixel of it is opaque: BitBlt at 1:1 gives exactly
// what GDI+ draws, far sooner. Owned by the image; null for other images.
HBITMAP OpaqueBitmapOf(const Gdiplus::Image* image);
// Image by name in a numbered type; null for an empty name.
std::unique_ptr<Gdiplus::Image> LoadNamedImage(const wchar_t* name, UINT type, HINSTANCE inst = nullptr);
// Image by number in a numbered type.
std::unique_ptr<Gdiplus::Image> LoadNumberedImage(UINT id, UINT type, HINSTANCE inst = nullptr);

}  // namespace tw::fw
