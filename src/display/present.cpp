#include "display/present.h"

#include <bit>
#include <cstring>

#include "base/pixels.h"
#include "base/simd.h"

using namespace host;

void BeginFrame(Display& d) {
  RenderTarget& t = d.target;
  if (d.settings.windowed) {
    LockTarget(d);
    t.pixels = static_cast<uint32_t*>(t.surfacePixels);
  } else {
    t.pixels = t.frameBuffer;
  }
}

// The surface that receives the frame, and the size of the description its
// lock takes.
static Surface* FrameSurface(Display& d, uint32_t* descSize) {
  *descSize = kSurfaceDesc2Size;
  if (d.settings.windowed) return d.offscreen;
  if (d.HaveDirectDraw4) return d.primary4;
  *descSize = kSurfaceDescSize;
  return d.primary1;
}

void LockTarget(Display& d) {
  SurfaceDesc desc{};
  Surface* surface = FrameSurface(d, &desc.size);
  HRESULT hr = surface ? d.device.Lock(surface, &desc) : DDERR_SURFACELOST;
  // A surface lost while the program was switched away is restored at once;
  // this frame goes without it, the next one draws again.
  if (hr == DDERR_SURFACELOST && surface) d.device.Restore(surface);
  d.target.surfacePixels = hr == DD_OK ? desc.memory : nullptr;
  d.target.surfacePitch = hr == DD_OK ? desc.pitch : 0;
}

void UnlockTarget(Display& d) {
  uint32_t size;
  if (Surface* surface = FrameSurface(d, &size)) d.device.Unlock(surface);
}

void ConvertFrame(const uint32_t* frame, uint8_t* surface, int pitch, int videoMode) {
  const VideoMode& mode = kVideoModes[videoMode];
  int bytes = mode.bitsPerPixel / 8;
  // The 640 × 480 modes centre the picture.
  int left = (mode.width - kFrameWidth) / 2, top = (mode.height - kFrameHeight) / 2;
  uint8_t* origin = surface + size_t(top) * pitch + size_t(left) * bytes;
  for (int y = 0; y < kFrameHeight; ++y) {
    const uint32_t* in = frame + size_t(y) * kFrameWidth;
    uint8_t* out = origin + size_t(y) * pitch;
    switch (bytes) {
      case 4:
        std::memcpy(out, in, kFrameWidth * 4);
        break;
      case 3:
        if constexpr (std::endian::native == std::endian::little) {
          // Four pixels' twelve bytes (blue, green, red each) as three words.
          static_assert(kFrameWidth % 4 == 0);
          for (int x = 0; x < kFrameWidth; x += 4) {
            uint32_t a = in[x], b = in[x + 1], c = in[x + 2], d = in[x + 3];
            uint32_t w0 = (a & 0xFFFFFF) | b << 24, w1 = (b >> 8 & 0xFFFF) | c << 16, w2 = (c >> 16 & 0xFF) | d << 8;
            std::memcpy(out + 3 * x, &w0, 4);
            std::memcpy(out + 3 * x + 4, &w1, 4);
            std::memcpy(out + 3 * x + 8, &w2, 4);
          }
        } else {
          for (int x = 0; x < kFrameWidth; ++x) {
            uint32_t p = in[x];
            out[3 * x] = uint8_t(p);
            out[3 * x + 1] = uint8_t(p >> 8);
            out[3 * x + 2] = uint8_t(p >> 16);
          }
        }
        break;
      default:
        // Grey level: a quarter of the channel sum, 0..191 on the grey palette.
        for (int x = 0; x < kFrameWidth; ++x) {
          uint32_t p = in[x];
          out[x] = uint8_t(((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) >> 2);
        }
        break;
    }
  }
}

void PresentFrame(Display& d) {
  RenderTarget& t = d.target;
  ++d.presents;
  if (d.settings.windowed) {
    UnlockTarget(d);
    d.device.Blt(d.primary4, &d.BlitDestRect, d.offscreen, &d.BlitSourceRect);
    return;
  }
  LockTarget(d);
  if (!t.surfacePixels) return;  // surface lost: nothing to write into this time
  ConvertFrame(t.pixels, static_cast<uint8_t*>(t.surfacePixels), t.surfacePitch,
               d.settings.videoMode);
  UnlockTarget(d);
}

void FadeTarget(RenderTarget& target, int factor, [[maybe_unused]] int useMmx) {
  uint32_t* p = target.pixels;
  int i = 0, n = target.width * target.height;
#if DORSEL_PACKED
  // The factor is replicated into 16-bit lanes; above 255 the products
  // would not fit, so such a factor takes the plain loop.
  if (useMmx && factor >= 0 && factor <= 255)
    for (const __m128i f = ChannelWeights(uint32_t(factor)); i + 4 <= n; i += 4) {
      __m128i* at = reinterpret_cast<__m128i*>(p + i);
      _mm_storeu_si128(at, ScalePixels4(_mm_loadu_si128(at), f));
    }
#endif
  for (; i < n; ++i) p[i] = ScalePixel(p[i], uint32_t(factor));
}
