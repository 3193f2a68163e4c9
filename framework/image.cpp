#include "framework/image.h"

#include <cstdint>
#include <cstring>

namespace tw::fw {

CGdiPlusSession::CGdiPlusSession() {
  Gdiplus::GdiplusStartupInput in;
  status_ = static_cast<int>(Gdiplus::GdiplusStartup(&token_, &in, nullptr));
}

CGdiPlusSession::~CGdiPlusSession() {
  if (status_ == 0) Gdiplus::GdiplusShutdown(token_);
}

namespace {

uint32_t U32At(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Pixels decoded when the program was built ("TWPX", width, height, rows
// of B, G, R, A): no decoder to load, which under Wine costs a fifth of
// the start.
std::unique_ptr<Gdiplus::Image> FromPixels(const unsigned char* bytes, DWORD size) {
  const uint32_t w = U32At(bytes + 4), h = U32At(bytes + 8);
  if (w == 0 || h == 0 || w > 16384 || h > 16384 || size - 12 < uint64_t{w} * h * 4) return nullptr;
  auto bitmap = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(w), static_cast<INT>(h), PixelFormat32bppARGB);
  Gdiplus::Rect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
  Gdiplus::BitmapData data{};
  if (bitmap->GetLastStatus() != Gdiplus::Ok ||
      bitmap->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    return nullptr;
  for (uint32_t y = 0; y < h; ++y)
    std::memcpy(static_cast<unsigned char*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                bytes + 12 + size_t{y} * w * 4, size_t{w} * 4);
  bitmap->UnlockBits(&data);
  return bitmap;
}

}  // namespace

std::unique_ptr<Gdiplus::Image> LoadImageResource(HINSTANCE inst, const wchar_t* name, const wchar_t* type) {
  if (!inst) inst = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceW(inst, name, type);
  if (!res) return nullptr;
  DWORD size = ::SizeofResource(inst, res);
  HGLOBAL loaded = ::LoadResource(inst, res);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return nullptr;
  if (size >= 12 && std::memcmp(bytes, "TWPX", 4) == 0) return FromPixels(static_cast<const unsigned char*>(bytes), size);
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return nullptr;
  void* dst = ::GlobalLock(block);
  if (!dst) {
    ::GlobalFree(block);
    return nullptr;
  }
  std::memcpy(dst, bytes, size);
  ::GlobalUnlock(block);
  IStream* stream = nullptr;
  // The stream frees the block when it is released.
  if (FAILED(::CreateStreamOnHGlobal(block, TRUE, &stream))) {
    ::GlobalFree(block);
    return nullptr;
  }
  // GDI+ may read the stream lazily; a copy into a bitmap of its own lets
  // the stream go now.
  std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream));
  std::unique_ptr<Gdiplus::Image> result;
  if (decoded && decoded->GetLastStatus() == Gdiplus::Ok) {
    int w = static_cast<int>(decoded->GetWidth()), h = static_cast<int>(decoded->GetHeight());
    auto copy = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppARGB);
    {
      Gdiplus::Graphics g(copy.get());
      g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
      g.DrawImage(decoded.get(), 0, 0, w, h);
    }
    if (copy->GetLastStatus() == Gdiplus::Ok) result = std::move(copy);
  }
  decoded.reset();
  stream->Release();
  return result;
}

std::unique_ptr<Gdiplus::Image> LoadNamedImage(const wchar_t* name, UINT type, HINSTANCE inst) {
  if (!name || !*name) return nullptr;
  return LoadImageResource(inst, name, MAKEINTRESOURCEW(type));
}

std::unique_ptr<Gdiplus::Image> LoadNumberedImage(UINT id, UINT type, HINSTANCE inst) {
  return LoadImageResource(inst, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
}

}  // namespace tw::fw
