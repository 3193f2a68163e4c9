#include "framework/image.h"

#include <algorithm>
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

// The pixels of a built picture: a DIB section, made before the GDI+
// bitmap that shows them, so that GDI draws the same pixels without GDI+.
struct PixelStore {
  PixelStore(HBITMAP dib, uint32_t* bits, bool opaque) : dib(dib), bits(bits), opaque(opaque) {}
  ~PixelStore() {
    if (dib) ::DeleteObject(dib);
  }
  PixelStore(const PixelStore&) = delete;
  PixelStore& operator=(const PixelStore&) = delete;
  HBITMAP dib;
  uint32_t* bits;
  bool opaque;
};

class PixelBitmap : private PixelStore, public Gdiplus::Bitmap {
 public:
  PixelBitmap(INT w, INT h, HBITMAP dib, uint32_t* bits, bool opaque)
      : PixelStore(dib, bits, opaque), Gdiplus::Bitmap(w, h, w * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(bits)) {}
  HBITMAP opaque_dib() const { return opaque ? dib : nullptr; }
};

// Pixels decoded when the program was built ("TWPX", width, height, then
// runs of a count and a B, G, R, A pixel): no decoder to load, which under
// Wine costs a fifth of the start, and a few kilobytes to read.
std::unique_ptr<Gdiplus::Image> FromPixels(const unsigned char* bytes, DWORD size) {
  const uint32_t w = U32At(bytes + 4), h = U32At(bytes + 8);
  if (w == 0 || h == 0 || w > 16384 || h > 16384) return nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = static_cast<LONG>(w);
  bi.bmiHeader.biHeight = -static_cast<LONG>(h);  // top down, as the runs
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* mem = nullptr;
  HBITMAP dib = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &mem, nullptr, 0);
  if (!dib) return nullptr;
  auto* bits = static_cast<uint32_t*>(mem);
  const size_t total = size_t{w} * h;
  size_t filled = 0;
  bool opaque = true;
  for (DWORD at = 12; at + 8 <= size; at += 8) {
    const uint32_t count = U32At(bytes + at), pixel = U32At(bytes + at + 4);
    if (count == 0 || count > total - filled) break;
    std::fill_n(bits + filled, count, pixel);
    filled += count;
    opaque = opaque && (pixel >> 24) == 0xFF;
  }
  if (filled != total) {
    ::DeleteObject(dib);
    return nullptr;
  }
  auto bitmap = std::make_unique<PixelBitmap>(static_cast<INT>(w), static_cast<INT>(h), dib, bits, opaque);
  if (bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
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

HBITMAP OpaqueBitmapOf(const Gdiplus::Image* image) {
  auto* built = dynamic_cast<const PixelBitmap*>(image);
  return built ? built->opaque_dib() : nullptr;
}

std::unique_ptr<Gdiplus::Image> LoadNamedImage(const wchar_t* name, UINT type, HINSTANCE inst) {
  if (!name || !*name) return nullptr;
  return LoadImageResource(inst, name, MAKEINTRESOURCEW(type));
}

std::unique_ptr<Gdiplus::Image> LoadNumberedImage(UINT id, UINT type, HINSTANCE inst) {
  return LoadImageResource(inst, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
}

}  // namespace tw::fw
