#include "display/present.h"

#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "shell/demo.h"

using namespace host;

void SetFrameBuffer(RenderTarget& target, uint32_t* frameBuffer) { target.frameBuffer = frameBuffer; }

void BeginFrame(Demo& demo) {
  RenderTarget& t = demo.target;
  if (demo.settings.windowed) {
    LockTarget(demo);
    t.pixels = static_cast<uint32_t*>(t.surfacePixels);
  } else {
    t.pixels = t.frameBuffer;
  }
}

// The surface that receives the frame, and the size of the description its
// lock takes.
static Surface* FrameSurface(Demo& demo, uint32_t* descSize) {
  DisplayState& ds = demo.display;
  *descSize = kSurfaceDesc2Size;
  if (demo.settings.windowed) return ds.offscreen;
  if (ds.HaveDirectDraw4) return ds.primary4;
  *descSize = kSurfaceDescSize;
  return ds.primary1;
}

void LockTarget(Demo& demo) {
  SurfaceDesc desc{};
  Surface* surface = FrameSurface(demo, &desc.size);
  HRESULT hr = surface ? demo.platform.display.Lock(surface, &desc) : DDERR_SURFACELOST;
  // A surface lost while the program was switched away is restored at once;
  // this frame goes without it, the next one draws again.
  if (hr == DDERR_SURFACELOST && surface) demo.platform.display.Restore(surface);
  demo.target.surfacePixels = hr == DD_OK ? desc.memory : nullptr;
  demo.target.surfacePitch = hr == DD_OK ? desc.pitch : 0;
}

void UnlockTarget(Demo& demo) {
  uint32_t size;
  if (Surface* surface = FrameSurface(demo, &size)) demo.platform.display.Unlock(surface);
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

void PresentFrame(Demo& demo) {
  DisplayState& ds = demo.display;
  RenderTarget& t = demo.target;
  ++demo.presents;
  if (demo.settings.windowed) {
    UnlockTarget(demo);
    demo.platform.display.Blt(ds.primary4, &ds.BlitDestRect, ds.offscreen, &ds.BlitSourceRect);
    return;
  }
  LockTarget(demo);
  if (!t.surfacePixels) return;  // surface lost: nothing to write into this time
  ConvertFrame(t.pixels, static_cast<uint8_t*>(t.surfacePixels), t.surfacePitch,
               demo.settings.videoMode);
  UnlockTarget(demo);
}

#if defined(__SSE2__)
// Two pixels at a time: their eight bytes widened to 16-bit lanes, times
// (factor, factor, factor, 0), shifted down by 8 and packed back. The top
// byte's lane is multiplied by 0, so it ends 0 as in the plain loop.
static void FadePacked(uint32_t* p, int n, uint32_t factor) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i f = _mm_set_epi16(0, short(factor), short(factor), short(factor), 0, short(factor),
                                  short(factor), short(factor));
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(c, zero), f), 8);
    __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(c, zero), f), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_packus_epi16(lo, hi));
  }
  for (; i < n; ++i) {
    uint32_t c = p[i];
    p[i] = (((c & 0xFF00FF) * factor >> 8) & 0xFF00FF) | (((c & 0xFF00) * factor >> 8) & 0xFF00);
  }
}
#endif

void FadeTarget(RenderTarget& target, int factor, int useMmx) {
#if defined(__SSE2__)
  // The factor is replicated into 16-bit lanes; above 255 the products
  // would not fit, so such a factor takes the plain loop.
  if (useMmx && factor >= 0 && factor <= 255) {
    FadePacked(target.pixels, target.width * target.height, uint32_t(factor));
    return;
  }
#else
  (void)useMmx;
#endif
  FadeTarget(target, factor);
}

void FadeTarget(RenderTarget& target, int factor) {
  uint32_t* p = target.pixels;
  uint32_t f = uint32_t(factor);
  for (int i = 0, n = target.width * target.height; i < n; ++i) {
    uint32_t c = p[i];
    p[i] = (((c & 0xFF00FF) * f >> 8) & 0xFF00FF) | (((c & 0xFF00) * f >> 8) & 0xFF00);
  }
}
