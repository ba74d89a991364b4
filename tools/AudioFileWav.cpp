// A WAV reader and writer for targets without an audio-file library: plain
// and extensible WAV with 8-, 16-, 24- and 32-bit integer or 32- and 64-bit
// float samples.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tools/AudioFile.h"
#include "tools/FileBytes.h"

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;
// The format chunk: 16 bytes plain, 40 extensible (cbSize 22, valid bits,
// channel mask, sub-format GUID whose first two bytes are the tag).
constexpr uint32_t kPlainFormatBytes = 16;
constexpr uint32_t kExtensibleFormatBytes = 40;
constexpr uint16_t kExtensionBytes = 22;
// The rest of the sub-format GUID after its two-byte tag.
const unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint32_t U32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void Put32(std::vector<unsigned char>& v, uint32_t x)
{
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
}
void Put16(std::vector<unsigned char>& v, uint16_t x)
{
  v.push_back(static_cast<unsigned char>(x));
  v.push_back(static_cast<unsigned char>(x >> 8));
}

// Sample types this reader and writer know: tag and bits.
struct SampleKind
{
  const char* name;
  uint16_t tag;
  uint16_t bits;
};

const SampleKind kKinds[] = {{"pcm8", kTagPcm, 8},     {"pcm16", kTagPcm, 16},    {"pcm24", kTagPcm, 24},
                             {"pcm32", kTagPcm, 32},   {"float", kTagFloat, 32}, {"double", kTagFloat, 64}};

const SampleKind* KindOf(uint16_t tag, uint16_t bits)
{
  for (const SampleKind& k : kKinds) {
    if (k.tag == tag && k.bits == bits) return &k;
  }
  return nullptr;
}

const SampleKind* KindNamed(const std::string& name)
{
  for (const SampleKind& k : kKinds) {
    if (name == k.name) return &k;
  }
  return nullptr;
}

float Decode(const unsigned char* p, const SampleKind& k)
{
  if (k.tag == kTagFloat) {
    if (k.bits == 32) {
      const uint32_t b = U32(p);
      float v;
      std::memcpy(&v, &b, sizeof v);
      return v;
    }
    const uint64_t b = U32(p) | (static_cast<uint64_t>(U32(p + 4)) << 32);
    double v;
    std::memcpy(&v, &b, sizeof v);
    return static_cast<float>(v);
  }
  switch (k.bits) {
    case 8: return static_cast<float>(p[0] - 128) / 128.0f;
    case 16: return static_cast<float>(static_cast<int16_t>(U16(p))) / 32768.0f;
    case 24: {
      const int32_t s = static_cast<int32_t>((p[0] << 8) | (p[1] << 16) | (static_cast<uint32_t>(p[2]) << 24)) >> 8;
      return static_cast<float>(s) / 8388608.0f;
    }
    default: return static_cast<float>(static_cast<double>(static_cast<int32_t>(U32(p))) / 2147483648.0);
  }
}

// Integer samples: -1..1 scaled to full range, clipped beyond it.
int64_t Quantise(float x, int bits)
{
  const double full = static_cast<double>(1LL << (bits - 1));
  double v = static_cast<double>(x) * full;
  v = v < -full ? -full : (v > full - 1 ? full - 1 : v);
  return static_cast<int64_t>(v < 0 ? v - 0.5 : v + 0.5);
}

void Encode(std::vector<unsigned char>& out, float x, const SampleKind& k)
{
  if (k.tag == kTagFloat) {
    if (k.bits == 32) {
      uint32_t b;
      std::memcpy(&b, &x, sizeof b);
      Put32(out, b);
    } else {
      const double d = x;
      uint64_t b;
      std::memcpy(&b, &d, sizeof b);
      Put32(out, static_cast<uint32_t>(b));
      Put32(out, static_cast<uint32_t>(b >> 32));
    }
    return;
  }
  const int64_t q = Quantise(x, k.bits);
  if (k.bits == 8) {
    out.push_back(static_cast<unsigned char>(q + 128));
    return;
  }
  for (int i = 0; i < k.bits / 8; ++i) out.push_back(static_cast<unsigned char>(static_cast<uint64_t>(q) >> (8 * i)));
}

}  // namespace

bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error)
{
  std::vector<unsigned char> b;
  if (!ReadFileBytes(path, b)) {
    error = "cannot open " + path;
    return false;
  }
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4)) {
    error = "not a WAV file";
    return false;
  }
  uint16_t tag = 0, bits = 0;
  int channels = 0;
  uint32_t rate = 0;
  bool extensible = false, knownGuid = true;
  const unsigned char* data = nullptr;
  size_t dataBytes = 0;
  size_t pos = 12;
  while (pos + 8 <= b.size()) {
    const uint32_t size = U32(&b[pos + 4]);
    const size_t body = pos + 8;
    const size_t avail = b.size() - body;
    const size_t len = size < avail ? size : avail;
    if (!std::memcmp(&b[pos], "fmt ", 4) && len >= kPlainFormatBytes) {
      tag = U16(&b[body]);
      channels = U16(&b[body + 2]);
      rate = U32(&b[body + 4]);
      bits = U16(&b[body + 14]);
      if (tag == kTagExtensible) {
        extensible = true;
        knownGuid = len >= kExtensibleFormatBytes && U16(&b[body + 16]) >= kExtensionBytes &&
                    !std::memcmp(&b[body + 26], kGuidTail, sizeof kGuidTail);
        tag = knownGuid ? U16(&b[body + 24]) : 0;
      }
    } else if (!std::memcmp(&b[pos], "data", 4)) {
      data = &b[body];
      dataBytes = len;
    }
    pos = body + len + (len & 1);
  }
  const SampleKind* kind = KindOf(tag, bits);
  if (!knownGuid) {
    error = "an extensible WAV file of a sub-format other than integer or float samples";
    return false;
  }
  if (!data || !kind || channels < 1 || rate == 0) {
    error = !data ? "a WAV file without sample data"
                  : "not a WAV file of 8-, 16-, 24- or 32-bit integer or 32- or 64-bit float samples";
    return false;
  }
  const size_t width = static_cast<size_t>(bits / 8);
  const size_t count = dataBytes / width / static_cast<size_t>(channels) * static_cast<size_t>(channels);
  audio.channels = channels;
  audio.rate = rate;
  audio.format = AudioFormat{extensible ? "wavex" : "wav", kind->name};
  audio.samples.resize(count);
  for (size_t i = 0; i < count; ++i) audio.samples[i] = Decode(data + i * width, *kind);
  return true;
}

bool CanWriteAudioFormat(const AudioFormat& format, std::string& error)
{
  if ((format.container == "wav" || format.container == "wavex") && KindNamed(format.sample)) return true;
  error = "cannot write '" + AudioFormatName(format) +
          "': this build writes containers wav and wavex with samples pcm8, pcm16, pcm24, pcm32, float or double";
  return false;
}

bool WriteAudioFile(const std::string& path, const AudioData& audio, const AudioFormat& format, std::string& error)
{
  if (!CanWriteAudioFormat(format, error)) return false;
  const SampleKind& k = *KindNamed(format.sample);
  const bool extensible = format.container == "wavex";
  const uint32_t bytesPerFrame = static_cast<uint32_t>(audio.channels) * k.bits / 8;
  const uint32_t dataBytes = static_cast<uint32_t>(audio.Frames()) * bytesPerFrame;
  const uint32_t formatBytes = extensible ? kExtensibleFormatBytes : kPlainFormatBytes;
  std::vector<unsigned char> out;
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  Put32(out, 4 + 8 + formatBytes + 8 + dataBytes + (dataBytes & 1));
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(out, formatBytes);
  Put16(out, extensible ? kTagExtensible : k.tag);
  Put16(out, static_cast<uint16_t>(audio.channels));
  Put32(out, static_cast<uint32_t>(audio.rate));
  Put32(out, static_cast<uint32_t>(audio.rate) * bytesPerFrame);
  Put16(out, static_cast<uint16_t>(bytesPerFrame));
  Put16(out, k.bits);
  if (extensible) {
    Put16(out, kExtensionBytes);
    Put16(out, k.bits);
    Put32(out, audio.channels == 2 ? 3u : (audio.channels == 1 ? 4u : 0u));  // front left and right, or centre
    Put16(out, k.tag);
    out.insert(out.end(), kGuidTail, kGuidTail + sizeof kGuidTail);
  }
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Put32(out, dataBytes);
  for (float s : audio.samples) Encode(out, s, k);
  if (dataBytes & 1) out.push_back(0);
  if (!WriteFileBytes(path, out.data(), out.size())) {
    std::remove(path.c_str());
    error = "cannot write " + path;
    return false;
  }
  return true;
}
