// Audio files through libsndfile: every container and sample type it reads,
// and every one it writes.
#include <sndfile.h>

#include <cstdio>

#include "tools/AudioFile.h"

namespace {

struct Name
{
  const char* name;
  int code;
};

const Name kContainers[] = {
  {"wav", SF_FORMAT_WAV},   {"wavex", SF_FORMAT_WAVEX}, {"aiff", SF_FORMAT_AIFF}, {"flac", SF_FORMAT_FLAC},
  {"ogg", SF_FORMAT_OGG},   {"caf", SF_FORMAT_CAF},     {"w64", SF_FORMAT_W64},   {"rf64", SF_FORMAT_RF64},
  {"au", SF_FORMAT_AU},     {"mp3", SF_FORMAT_MPEG},
};

// Signed and unsigned 8-bit samples share a name; writing takes whichever
// the container holds.
const Name kSamples[] = {
  {"pcm8", SF_FORMAT_PCM_S8}, {"pcm8", SF_FORMAT_PCM_U8},  {"pcm16", SF_FORMAT_PCM_16},
  {"pcm24", SF_FORMAT_PCM_24}, {"pcm32", SF_FORMAT_PCM_32}, {"float", SF_FORMAT_FLOAT},
  {"double", SF_FORMAT_DOUBLE}, {"vorbis", SF_FORMAT_VORBIS}, {"opus", SF_FORMAT_OPUS},
  {"mp3", SF_FORMAT_MPEG_LAYER_III},
};

// Frames read at a time; a header's frame count is not trusted.
constexpr sf_count_t kReadFrames = 65536;
constexpr int kProbeRate = 44100;
constexpr int kProbeChannels = 2;

std::string NameOf(const Name* table, size_t n, int code)
{
  for (size_t i = 0; i < n; ++i) {
    if (table[i].code == code) return table[i].name;
  }
  return "other";
}

// The libsndfile format code for a named format and a channel count and
// rate, or 0 when it cannot write that.
int FormatCode(const AudioFormat& format, int channels, int rate)
{
  for (const Name& c : kContainers) {
    if (format.container != c.name) continue;
    for (const Name& s : kSamples) {
      if (format.sample != s.name) continue;
      SF_INFO info = {};
      info.channels = channels;
      info.samplerate = rate;
      info.format = c.code | s.code;
      if (sf_format_check(&info)) return info.format;
    }
  }
  return 0;
}

}  // namespace

bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error)
{
  SF_INFO info = {};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) {
    error = sf_strerror(nullptr);
    return false;
  }
  if (info.channels < 1 || info.samplerate < 1) {
    sf_close(f);
    error = "the file has no channels or no sample rate";
    return false;
  }
  audio.channels = info.channels;
  audio.rate = info.samplerate;
  audio.format.container = NameOf(kContainers, sizeof kContainers / sizeof kContainers[0], info.format & SF_FORMAT_TYPEMASK);
  audio.format.sample = NameOf(kSamples, sizeof kSamples / sizeof kSamples[0], info.format & SF_FORMAT_SUBMASK);
  audio.samples.clear();
  std::vector<float> block(static_cast<size_t>(kReadFrames) * static_cast<size_t>(info.channels));
  for (;;) {
    const sf_count_t got = sf_readf_float(f, block.data(), kReadFrames);
    if (got <= 0) break;
    audio.samples.insert(audio.samples.end(), block.begin(), block.begin() + got * info.channels);
  }
  const int status = sf_error(f);
  if (status != SF_ERR_NO_ERROR) error = sf_error_number(status);
  sf_close(f);
  return status == SF_ERR_NO_ERROR;
}

bool CanWriteAudioFormat(const AudioFormat& format, std::string& error)
{
  if (FormatCode(format, kProbeChannels, kProbeRate)) return true;
  error = "cannot write '" + AudioFormatName(format) +
          "': containers wav, wavex, aiff, flac, ogg, caf, w64, rf64, au, mp3 with samples pcm8, pcm16, pcm24, "
          "pcm32, float, double, vorbis, opus or mp3, as each container allows";
  return false;
}

bool WriteAudioFile(const std::string& path, const AudioData& audio, const AudioFormat& format, std::string& error)
{
  SF_INFO info = {};
  info.channels = audio.channels;
  info.samplerate = static_cast<int>(audio.rate);
  info.format = FormatCode(format, info.channels, info.samplerate);
  if (!info.format) {
    error = "cannot write '" + AudioFormatName(format) + "' with " + std::to_string(audio.channels) +
            " channels at " + std::to_string(info.samplerate) + " Hz";
    return false;
  }
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) {
    error = sf_strerror(nullptr);
    return false;
  }
  // Float files keep the samples as they are; integer files take them as
  // -1..1 and clip what lies beyond rather than wrap it.
  const bool floats = format.sample == "float" || format.sample == "double";
  sf_command(f, SFC_SET_NORM_FLOAT, nullptr, floats ? SF_FALSE : SF_TRUE);
  sf_command(f, SFC_SET_CLIPPING, nullptr, floats ? SF_FALSE : SF_TRUE);
  const sf_count_t frames = audio.Frames();
  bool ok = sf_writef_float(f, audio.samples.data(), frames) == frames;
  if (!ok) error = sf_strerror(f);
  if (sf_close(f) != 0 && ok) {
    ok = false;
    error = "cannot finish " + path;
  }
  if (!ok) std::remove(path.c_str());
  return ok;
}
