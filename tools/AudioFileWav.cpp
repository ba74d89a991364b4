// A small WAV reader and writer for targets without an audio-file library.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tools/AudioFile.h"
#include "tools/FileBytes.h"

namespace {

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
  int format = 0, channels = 0, bits = 0;
  uint32_t rate = 0;
  const unsigned char* data = nullptr;
  size_t dataBytes = 0;
  size_t pos = 12;
  while (pos + 8 <= b.size()) {
    const uint32_t size = U32(&b[pos + 4]);
    const size_t body = pos + 8;
    const size_t avail = b.size() - body;
    const size_t len = size < avail ? size : avail;
    if (!std::memcmp(&b[pos], "fmt ", 4) && len >= 16) {
      format = U16(&b[body]);
      channels = U16(&b[body + 2]);
      rate = U32(&b[body + 4]);
      bits = U16(&b[body + 14]);
      if (format == 0xFFFE && len >= 26) format = U16(&b[body + 24]);  // extensible: the sub-format's tag
    } else if (!std::memcmp(&b[pos], "data", 4)) {
      data = &b[body];
      dataBytes = len;
    }
    pos = body + len + (len & 1);
  }
  const bool supported = (format == 1 && (bits == 16 || bits == 24)) || (format == 3 && bits == 32);
  if (!data || !supported || channels < 1 || channels > 2 || rate == 0) {
    error = "not a mono or stereo WAV file of 16- or 24-bit PCM or 32-bit float";
    return false;
  }
  const size_t width = static_cast<size_t>(bits / 8);
  const size_t count = dataBytes / width / static_cast<size_t>(channels) * static_cast<size_t>(channels);
  audio.channels = channels;
  audio.rate = rate;
  audio.samples.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* p = data + i * width;
    float v;
    if (format == 3) {
      const uint32_t bitsValue = U32(p);
      std::memcpy(&v, &bitsValue, 4);
    } else if (bits == 16) {
      v = static_cast<float>(static_cast<int16_t>(U16(p))) / 32768.0f;
    } else {
      const int32_t s = static_cast<int32_t>((p[0] << 8) | (p[1] << 16) | (static_cast<uint32_t>(p[2]) << 24)) >> 8;
      v = static_cast<float>(s) / 8388608.0f;
    }
    audio.samples[i] = v;
  }
  return true;
}

bool WriteAudioFile(const std::string& path, const AudioData& audio, std::string& error)
{
  std::vector<unsigned char> out;
  const uint32_t dataBytes = static_cast<uint32_t>(audio.samples.size() * 4);
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  Put32(out, 36 + dataBytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(out, 16);
  Put16(out, 3);
  Put16(out, static_cast<uint16_t>(audio.channels));
  Put32(out, static_cast<uint32_t>(audio.rate));
  Put32(out, static_cast<uint32_t>(audio.rate) * 4u * static_cast<uint32_t>(audio.channels));
  Put16(out, static_cast<uint16_t>(4 * audio.channels));
  Put16(out, 32);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Put32(out, dataBytes);
  for (float s : audio.samples) {
    uint32_t bits;
    std::memcpy(&bits, &s, 4);
    Put32(out, bits);
  }
  if (!WriteFileBytes(path, out.data(), out.size())) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}
