#include "framework/image.h"

#include <cstring>

namespace tw::fw {

CGdiPlusSession::CGdiPlusSession() {
  Gdiplus::GdiplusStartupInput in;
  status_ = static_cast<int>(Gdiplus::GdiplusStartup(&token_, &in, nullptr));
}

CGdiPlusSession::~CGdiPlusSession() {
  if (status_ == 0) Gdiplus::GdiplusShutdown(token_);
}

std::unique_ptr<Gdiplus::Image> LoadImageResource(HINSTANCE inst, const wchar_t* name, const wchar_t* type) {
  if (!inst) inst = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceW(inst, name, type);
  if (!res) return nullptr;
  DWORD size = ::SizeofResource(inst, res);
  HGLOBAL loaded = ::LoadResource(inst, res);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return nullptr;
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
