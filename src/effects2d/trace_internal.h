// The block fills under the trace scenes' draws, each form on its own: for
// the tests that hold the forms to their rules, and for the benchmarks.
#pragma once
#include "effects2d/trace.h"

// Fills frame rows 64..319 from the vertex grid's rows 8..40, each 8 × 8
// block interpolating its four corners in 8.8 fixed point.
void FillTraceBlocks(const TraceScene& scene, const PcxImage& texture, RenderTarget& target);
// The packed fill (the plain fill where there is none). It multiplies every
// channel by the integer shade, so green differs from the plain fill, which
// scales green by the full 8.8 shade and keeps the light's fraction.
void FillTraceBlocksPacked(const TraceScene& scene, const PcxImage& texture, RenderTarget& target);
// The plain fill's own pixels, packed (the plain fill where there is no
// packed form): green takes the full 8.8 shade here as well.
void FillTraceBlocksPlainRulePacked(const TraceScene& scene, const PcxImage& texture, RenderTarget& target);
// The packed fill's rule as a plain loop: what FillTraceBlocksPacked must
// give where there is a packed form.
void FillTraceBlocksIntegerShade(const TraceScene& scene, const PcxImage& texture, RenderTarget& target);
