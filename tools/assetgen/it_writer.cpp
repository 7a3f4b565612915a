#include "it_writer.h"

#include <algorithm>

namespace it {
namespace {

constexpr int kHeaderSize = 0xC0;
constexpr int kInstrumentSize = 554;
constexpr int kSampleHeaderSize = 80;
constexpr int kTrackerVersion = 0x0214;
constexpr int kOrderEnd = 255;

// Header flags.
constexpr int kStereo = 1;
constexpr int kInstrumentMode = 4;
constexpr int kLinearSlides = 8;

// Sample flags.
constexpr int kHasData = 1;
constexpr int kSixteenBit = 2;
constexpr int kLoop = 16;
constexpr int kPingPong = 64;

// Pattern mask bits: which fields of a cell follow the mask.
constexpr int kMaskNote = 1;
constexpr int kMaskInstrument = 2;
constexpr int kMaskVolume = 4;
constexpr int kMaskCommand = 8;

class Bytes {
 public:
  void U8(int v) { out_.push_back(static_cast<uint8_t>(v)); }
  void U16(int v) { U8(v & 0xFF); U8((v >> 8) & 0xFF); }
  void U32(uint32_t v) { U16(v & 0xFFFF); U16(v >> 16); }
  void Text(const std::string& s, size_t width) {  // zero padded, always terminated
    for (size_t i = 0; i < width; i++) U8(i + 1 < width && i < s.size() ? s[i] : 0);
  }
  void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
  void Append(const std::vector<uint8_t>& b) { out_.insert(out_.end(), b.begin(), b.end()); }
  void PatchU32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) out_[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  size_t Size() const { return out_.size(); }
  std::vector<uint8_t>& Data() { return out_; }

 private:
  std::vector<uint8_t> out_;
};

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

std::string Check(const Module& m) {
  if (!InRange(m.channels, 1, kMaxChannels)) return "channel count out of range";
  if (!InRange(m.speed, 1, 255) || !InRange(m.tempo, 32, 255)) return "speed or tempo out of range";
  if (!InRange(m.globalVolume, 0, 128) || !InRange(m.mixVolume, 0, 128)) return "volume out of range";
  if (m.orders.empty() || m.orders.size() > 255) return "order list must hold 1..255 entries";
  if (m.patterns.empty() || m.patterns.size() > 200) return "pattern count must be 1..200";
  if (m.instruments.size() > 99 || m.samples.size() > 99) return "too many instruments or samples";
  for (int o : m.orders)
    if (!InRange(o, 0, static_cast<int>(m.patterns.size()) - 1)) return "order names a missing pattern";
  for (const Pattern& p : m.patterns) {
    if (!InRange(p.rows, 32, 200)) return "pattern rows must be 32..200";
    if (p.channels != m.channels) return "pattern width differs from the channel count";
    for (const Cell& c : p.cells) {
      if (c.note != kNoNote && !InRange(c.note, 0, 119) && c.note != kNoteCut && c.note != kNoteOff)
        return "bad note";
      if (!InRange(c.instrument, 0, static_cast<int>(m.instruments.size()))) return "bad instrument";
      if (c.volume != kNoVolume && !InRange(c.volume, 0, 212)) return "bad volume column";
      if (!InRange(c.command, 0, 26) || !InRange(c.param, 0, 255)) return "bad command";
    }
  }
  for (const Instrument& in : m.instruments) {
    if (!InRange(in.sample, 1, static_cast<int>(m.samples.size()))) return "instrument names a missing sample";
    const Envelope& e = in.volumeEnvelope;
    int n = static_cast<int>(e.nodes.size());
    if (n > 25 || (e.enabled && n < 2)) return "envelope needs 2..25 nodes";
    for (int i = 1; i < n; i++)
      if (e.nodes[i].tick <= e.nodes[i - 1].tick) return "envelope ticks must rise";
    if ((e.loop && !(e.loopStart <= e.loopEnd && e.loopEnd < n)) ||
        (e.sustain && !(e.sustainStart <= e.sustainEnd && e.sustainEnd < n)))
      return "envelope loop out of range";
  }
  for (const Sample& s : m.samples) {
    int len = static_cast<int>(s.data.size());
    if (len == 0) return "empty sample " + s.name;
    if (s.loop && !(0 <= s.loopStart && s.loopStart < s.loopEnd && s.loopEnd <= len))
      return "loop out of range in " + s.name;
  }
  return "";
}

void WriteEnvelope(Bytes& b, const Envelope& e, int restValue) {
  b.U8((e.enabled ? 1 : 0) | (e.loop ? 2 : 0) | (e.sustain ? 4 : 0));
  // A switched-off envelope still carries two flat nodes, as trackers save it.
  std::vector<EnvelopeNode> nodes = e.nodes;
  if (nodes.empty()) nodes = {{restValue, 0}, {restValue, 100}};
  b.U8(static_cast<int>(nodes.size()));
  b.U8(e.loopStart);
  b.U8(e.loopEnd);
  b.U8(e.sustainStart);
  b.U8(e.sustainEnd);
  for (int i = 0; i < 25; i++) {
    if (i < static_cast<int>(nodes.size())) {
      b.U8(nodes[i].value);
      b.U16(nodes[i].tick);
    } else {
      b.Zeros(3);
    }
  }
  b.U8(0);
}

void WriteInstrument(Bytes& b, const Instrument& in) {
  size_t start = b.Size();
  for (char c : std::string("IMPI")) b.U8(c);
  b.Text("", 12);  // DOS file name
  b.U8(0);
  b.U8(in.newNoteAction);
  b.U8(0);  // duplicate check type: off
  b.U8(0);  // duplicate check action
  b.U16(in.fadeout);
  b.U8(0);   // pitch-pan separation
  b.U8(60);  // pitch-pan centre
  b.U8(in.globalVolume);
  b.U8(in.defaultPan < 0 ? 32 | 128 : in.defaultPan);
  b.U8(0);  // random volume
  b.U8(0);  // random pan
  b.U16(kTrackerVersion);
  b.U8(1);  // sample count, read only from instrument files
  b.U8(0);
  b.Text(in.name, 26);
  b.U8(0);     // filter cutoff: off
  b.U8(0);     // filter resonance: off
  b.U8(0);     // MIDI channel
  b.U8(255);   // MIDI program: none
  b.U16(0xFFFF);  // MIDI bank: none
  for (int note = 0; note < 120; note++) {
    b.U8(note);
    b.U8(in.sample);
  }
  WriteEnvelope(b, in.volumeEnvelope, 64);
  WriteEnvelope(b, Envelope{}, 0);  // panning
  WriteEnvelope(b, Envelope{}, 0);  // pitch
  b.Zeros(kInstrumentSize - (b.Size() - start));
}

void WriteSampleHeader(Bytes& b, const Sample& s, uint32_t dataOffset) {
  for (char c : std::string("IMPS")) b.U8(c);
  b.Text("", 12);
  b.U8(0);
  b.U8(s.globalVolume);
  b.U8(kHasData | (s.sixteenBit ? kSixteenBit : 0) | (s.loop ? kLoop : 0) |
       (s.loop && s.pingPong ? kPingPong : 0));
  b.U8(s.defaultVolume);
  b.Text(s.name, 26);
  b.U8(1);   // signed sample data
  b.U8(32);  // default pan, not used
  b.U32(static_cast<uint32_t>(s.data.size()));
  b.U32(s.loop ? s.loopStart : 0);
  b.U32(s.loop ? s.loopEnd : 0);
  b.U32(s.c5speed);
  b.U32(0);  // sustain loop start
  b.U32(0);  // sustain loop end
  b.U32(dataOffset);
  b.Zeros(4);  // auto-vibrato: speed, depth, rate, waveform
}

}  // namespace

std::vector<uint8_t> PackPattern(const Pattern& p) {
  Bytes b;
  std::vector<int> lastMask(p.channels, -1);
  for (int row = 0; row < p.rows; row++) {
    for (int ch = 0; ch < p.channels; ch++) {
      const Cell& c = p.at(row, ch);
      int mask = (c.note != kNoNote ? kMaskNote : 0) | (c.instrument ? kMaskInstrument : 0) |
                 (c.volume != kNoVolume ? kMaskVolume : 0) | (c.command ? kMaskCommand : 0);
      if (!mask) continue;
      // The reader remembers each channel's last mask, so a repeat costs nothing.
      if (mask == lastMask[ch]) {
        b.U8(ch + 1);
      } else {
        b.U8((ch + 1) | 128);
        b.U8(mask);
        lastMask[ch] = mask;
      }
      if (mask & kMaskNote) b.U8(c.note);
      if (mask & kMaskInstrument) b.U8(c.instrument);
      if (mask & kMaskVolume) b.U8(c.volume);
      if (mask & kMaskCommand) {
        b.U8(c.command);
        b.U8(c.param);
      }
    }
    b.U8(0);
  }
  return std::move(b.Data());
}

std::vector<uint8_t> WriteModule(const Module& m, std::string* error) {
  std::string problem = Check(m);
  if (!problem.empty()) {
    if (error) *error = problem;
    return {};
  }
  const int numOrders = static_cast<int>(m.orders.size()) + 1;
  const int numIns = static_cast<int>(m.instruments.size());
  const int numSmp = static_cast<int>(m.samples.size());
  const int numPat = static_cast<int>(m.patterns.size());

  Bytes b;
  for (char c : std::string("IMPM")) b.U8(c);
  b.Text(m.name, 26);
  b.U8(4);   // row highlight: beat
  b.U8(16);  // row highlight: bar
  b.U16(numOrders);
  b.U16(numIns);
  b.U16(numSmp);
  b.U16(numPat);
  b.U16(kTrackerVersion);
  b.U16(kTrackerVersion);
  b.U16(kStereo | kInstrumentMode | kLinearSlides);
  b.U16(0);  // no message
  b.U8(m.globalVolume);
  b.U8(m.mixVolume);
  b.U8(m.speed);
  b.U8(m.tempo);
  b.U8(m.separation);
  b.U8(0);  // pitch wheel depth
  b.U16(0);  // message length
  b.U32(0);  // message offset
  b.U32(0);
  for (int ch = 0; ch < kMaxChannels; ch++)  // unused channels are switched off (+128)
    b.U8(ch < m.channels ? m.channelPan[ch] : 32 | 128);
  for (int ch = 0; ch < kMaxChannels; ch++) b.U8(m.channelVolume[ch]);
  if (b.Size() != kHeaderSize) {
    if (error) *error = "internal: header size";
    return {};
  }

  for (int o : m.orders) b.U8(o);
  b.U8(kOrderEnd);
  const size_t insTable = b.Size();
  b.Zeros(4 * (numIns + numSmp + numPat));
  const size_t smpTable = insTable + 4 * numIns;
  const size_t patTable = smpTable + 4 * numSmp;

  for (int i = 0; i < numIns; i++) {
    b.PatchU32(insTable + 4 * i, static_cast<uint32_t>(b.Size()));
    WriteInstrument(b, m.instruments[i]);
  }
  // Sample headers point at their data, which comes last, after the patterns.
  std::vector<size_t> sampleHeaderAt(numSmp);
  for (int i = 0; i < numSmp; i++) {
    b.PatchU32(smpTable + 4 * i, static_cast<uint32_t>(b.Size()));
    sampleHeaderAt[i] = b.Size();
    WriteSampleHeader(b, m.samples[i], 0);
  }
  for (int i = 0; i < numPat; i++) {
    b.PatchU32(patTable + 4 * i, static_cast<uint32_t>(b.Size()));
    std::vector<uint8_t> packed = PackPattern(m.patterns[i]);
    b.U16(static_cast<int>(packed.size()));
    b.U16(m.patterns[i].rows);
    b.Zeros(4);
    b.Append(packed);
  }
  for (int i = 0; i < numSmp; i++) {
    const Sample& s = m.samples[i];
    b.PatchU32(sampleHeaderAt[i] + 0x48, static_cast<uint32_t>(b.Size()));
    for (int16_t v : s.data) {
      if (s.sixteenBit) b.U16(static_cast<uint16_t>(v));
      else b.U8(static_cast<uint8_t>(static_cast<int8_t>(v >> 8)));
    }
  }
  return std::move(b.Data());
}

}  // namespace it
