// A WAV reader and writer for targets without an audio-file library: plain
// and extensible WAV with 8-, 16-, 24- and 32-bit integer or 32- and 64-bit
// float samples.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tools/AudioFile.h"
#include "tools/AudioHeaders.h"
#include "tools/FileSystem.h"

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;
// The format chunk written: 16 bytes plain, 40 extensible (cbSize 22, valid
// bits, channel mask, sub-format GUID whose first two bytes are the tag).
constexpr uint32_t kPlainFormatBytes = 16;
constexpr uint32_t kExtensibleFormatBytes = 40;
constexpr uint16_t kExtensionBytes = 22;
// The rest of the sub-format GUID after its two-byte tag.
const unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The most a WAV file holds: its sizes are 32-bit, and the largest header
// written ("RIFF", size, "WAVE", the format chunk, the data chunk's header)
// counts too.
constexpr unsigned long long kMaxRiffBytes = 0xFFFFFFFFull;
constexpr unsigned long long kLargestHeaderBytes = 12 + 8 + kExtensibleFormatBytes + 8;

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


// The header of a WAV file holding dataBytes bytes of samples.
std::vector<unsigned char> Header(const SampleKind& k, bool extensible, int channels, uint32_t rate,
                                  uint32_t dataBytes)
{
  const uint32_t bytesPerFrame = static_cast<uint32_t>(channels) * k.bits / 8;
  const uint32_t formatBytes = extensible ? kExtensibleFormatBytes : kPlainFormatBytes;
  std::vector<unsigned char> out;
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  Put32(out, 4 + 8 + formatBytes + 8 + dataBytes + (dataBytes & 1));
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(out, formatBytes);
  Put16(out, extensible ? kTagExtensible : k.tag);
  Put16(out, static_cast<uint16_t>(channels));
  Put32(out, rate);
  Put32(out, rate * bytesPerFrame);
  Put16(out, static_cast<uint16_t>(bytesPerFrame));
  Put16(out, k.bits);
  if (extensible) {
    Put16(out, kExtensionBytes);
    Put16(out, k.bits);
    Put32(out, channels == 2 ? 3u : (channels == 1 ? 4u : 0u));  // front left and right, or centre
    Put16(out, k.tag);
    out.insert(out.end(), kGuidTail, kGuidTail + sizeof kGuidTail);
  }
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Put32(out, dataBytes);
  return out;
}

}  // namespace

struct AudioReader::Impl
{
  std::FILE* file = nullptr;
  WavLayout layout;
  const SampleKind* kind = nullptr;
  AudioFormat format;
  long long framesLeft = 0;
  long long framesRead = 0;
  long long missing = 0;
  std::vector<unsigned char> bytes;  // one block as read
  ~Impl()
  {
    if (file) std::fclose(file);
  }
};

AudioReader::AudioReader() = default;
AudioReader::~AudioReader() = default;

bool AudioReader::Open(const std::string& path, std::string& error)
{
  mImpl.reset(new Impl);
  if (KindOfPath(path) == PathKind::kFolder) {
    error = "a folder, not an audio file";
    return false;
  }
  mImpl->file = std::fopen(path.c_str(), "rb");
  if (!mImpl->file) {
    error = "cannot open " + path;
    return false;
  }
  WavLayout& w = mImpl->layout;
  if (!ScanWav(mImpl->file, FileSize(path), w, error)) return false;
  mImpl->kind = KindOf(w.tag, w.bits);
  if (!mImpl->kind || w.channels < 1 || w.rate == 0) {
    error = "not a WAV file of 8-, 16-, 24- or 32-bit integer or 32- or 64-bit float samples";
    return false;
  }
  mImpl->format = AudioFormat{w.extensible ? "wavex" : "wav", mImpl->kind->name};
  mImpl->framesLeft = w.presentBytes / w.FrameBytes();
  if (!SeekFile(mImpl->file, w.dataOffset)) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

int AudioReader::Channels() const { return mImpl->layout.channels; }
double AudioReader::Rate() const { return mImpl->layout.rate; }
const AudioFormat& AudioReader::Format() const { return mImpl->format; }
long long AudioReader::MissingFrames() const { return mImpl->missing; }
long long AudioReader::Frames() const { return mImpl->framesRead + mImpl->framesLeft; }

long long AudioReader::Read(float* samples, long long frames, std::string& error)
{
  Impl& m = *mImpl;
  const long long n = frames < m.framesLeft ? frames : m.framesLeft;
  if (n <= 0) {
    const WavLayout& w = m.layout;
    const long long announced = w.declaredBytes < 0 ? m.framesRead : w.declaredBytes / w.FrameBytes();
    m.missing = announced > m.framesRead ? announced - m.framesRead : 0;
    return 0;
  }
  const size_t width = static_cast<size_t>(m.kind->bits / 8);
  const size_t count = static_cast<size_t>(n) * static_cast<size_t>(m.layout.channels);
  m.bytes.resize(count * width);
  if (std::fread(m.bytes.data(), 1, m.bytes.size(), m.file) != m.bytes.size()) {
    error = "the file could not be read on after " + std::to_string(m.framesRead) + " frames";
    return -1;
  }
  for (size_t i = 0; i < count; ++i) samples[i] = Decode(m.bytes.data() + i * width, *m.kind);
  m.framesLeft -= n;
  m.framesRead += n;
  return n;
}

struct AudioWriter::Impl
{
  std::FILE* file = nullptr;
  const SampleKind* kind = nullptr;
  bool extensible = false;
  int channels = 0;
  uint32_t rate = 0;
  unsigned long long dataBytes = 0;
  std::vector<unsigned char> bytes;  // one block as written
  ~Impl()
  {
    if (file) std::fclose(file);
  }
};

AudioWriter::AudioWriter() = default;
AudioWriter::~AudioWriter() = default;

bool AudioWriter::Open(const std::string& path, const AudioFormat& format, int channels, double rate,
                       std::string& error)
{
  mImpl.reset(new Impl);
  if (!CanWriteAudioFormat(format, error)) return false;
  Impl& m = *mImpl;
  m.kind = KindNamed(format.sample);
  m.extensible = format.container == "wavex";
  m.channels = channels;
  m.rate = static_cast<uint32_t>(rate);
  m.file = std::fopen(path.c_str(), "wb");
  const std::vector<unsigned char> header = Header(*m.kind, m.extensible, channels, m.rate, 0);
  if (!m.file || std::fwrite(header.data(), 1, header.size(), m.file) != header.size()) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

bool AudioWriter::Write(const float* samples, long long frames, std::string& error)
{
  Impl& m = *mImpl;
  const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(m.channels);
  const unsigned long long adding = static_cast<unsigned long long>(count) * (m.kind->bits / 8);
  if (m.dataBytes + adding + kLargestHeaderBytes > kMaxRiffBytes) {
    error = "the output does not fit a WAV file, which holds at most 4 GiB";
    return false;
  }
  m.bytes.clear();
  for (size_t i = 0; i < count; ++i) Encode(m.bytes, samples[i], *m.kind);
  if (std::fwrite(m.bytes.data(), 1, m.bytes.size(), m.file) != m.bytes.size()) {
    error = "cannot write on (is the disk full?)";
    return false;
  }
  m.dataBytes += adding;
  return true;
}

bool AudioWriter::Finish(std::string& error)
{
  Impl& m = *mImpl;
  const uint32_t dataBytes = static_cast<uint32_t>(m.dataBytes);
  const std::vector<unsigned char> header = Header(*m.kind, m.extensible, m.channels, m.rate, dataBytes);
  const unsigned char pad = 0;
  bool ok = (!(dataBytes & 1) || std::fwrite(&pad, 1, 1, m.file) == 1) && SeekFile(m.file, 0) &&
            std::fwrite(header.data(), 1, header.size(), m.file) == header.size();
  ok = std::fclose(m.file) == 0 && ok;
  m.file = nullptr;
  if (!ok) error = "cannot finish the file (is the disk full?)";
  return ok;
}

bool CanWriteAudioFormat(const AudioFormat& format, std::string& error)
{
  if ((format.container == "wav" || format.container == "wavex") && KindNamed(format.sample)) return true;
  error = "cannot write '" + AudioFormatName(format) +
          "': this build writes containers wav and wavex with samples pcm8, pcm16, pcm24, pcm32, float or double";
  return false;
}
