// Audio files through libsndfile: every container and sample type it reads,
// and every one it writes.
#include <sndfile.h>

#include <cstdio>

#include "tools/AudioFile.h"
#include "tools/AudioHeaders.h"
#include "tools/FileSystem.h"

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

// Frame counts from here on stand for "unknown".
constexpr sf_count_t kUnknownLength = SF_COUNT_MAX / 2;
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

struct AudioReader::Impl
{
  SNDFILE* file = nullptr;
  int channels = 0;
  double rate = 0.0;
  AudioFormat format;
  long long announced = -1;  // frames the header gives, where libsndfile does not check them
  long long frames = -1;
  long long framesRead = 0;
  long long missing = 0;
  ~Impl()
  {
    if (file) sf_close(file);
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
  SF_INFO info = {};
  mImpl->file = sf_open(path.c_str(), SFM_READ, &info);
  if (!mImpl->file) {
    error = sf_strerror(nullptr);
    return false;
  }
  if (info.channels < 1 || info.samplerate < 1) {
    error = "the file has no channels or no sample rate";
    return false;
  }
  mImpl->channels = info.channels;
  mImpl->rate = info.samplerate;
  // Streams of unknown length (Ogg, for one) give the largest count there is.
  mImpl->frames = info.frames >= 0 && info.frames < kUnknownLength ? info.frames : -1;
  mImpl->format.container = NameOf(kContainers, sizeof kContainers / sizeof kContainers[0], info.format & SF_FORMAT_TYPEMASK);
  mImpl->format.sample = NameOf(kSamples, sizeof kSamples / sizeof kSamples[0], info.format & SF_FORMAT_SUBMASK);
  // libsndfile reads a WAV or AIFF file cut short as far as it goes and
  // says nothing; its header says how much there should have been.
  mImpl->announced = AnnouncedFrames(path);
  return true;
}

int AudioReader::Channels() const { return mImpl->channels; }
double AudioReader::Rate() const { return mImpl->rate; }
const AudioFormat& AudioReader::Format() const { return mImpl->format; }
long long AudioReader::MissingFrames() const { return mImpl->missing; }
long long AudioReader::Frames() const { return mImpl->frames; }

long long AudioReader::Read(float* samples, long long frames, std::string& error)
{
  Impl& m = *mImpl;
  const sf_count_t got = sf_readf_float(m.file, samples, frames);
  const int status = sf_error(m.file);
  if (status != SF_ERR_NO_ERROR) {
    error = sf_error_number(status);
    return -1;
  }
  if (got > 0) {
    m.framesRead += got;
    return got;
  }
  m.missing = m.announced > m.framesRead ? m.announced - m.framesRead : 0;
  return 0;
}

struct AudioWriter::Impl
{
  SNDFILE* file = nullptr;
  ~Impl()
  {
    if (file) sf_close(file);
  }
};

AudioWriter::AudioWriter() = default;
AudioWriter::~AudioWriter() = default;

bool AudioWriter::Open(const std::string& path, const AudioFormat& format, int channels, double rate,
                       std::string& error)
{
  mImpl.reset(new Impl);
  SF_INFO info = {};
  info.channels = channels;
  info.samplerate = static_cast<int>(rate);
  info.format = FormatCode(format, info.channels, info.samplerate);
  if (!info.format) {
    error = "cannot write '" + AudioFormatName(format) + "' with " + std::to_string(channels) + " channels at " +
            std::to_string(info.samplerate) + " Hz";
    return false;
  }
  mImpl->file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!mImpl->file) {
    error = sf_strerror(nullptr);
    return false;
  }
  // Float files keep the samples as they are; integer files take them as
  // -1..1 and clip what lies beyond rather than wrap it.
  const bool floats = format.sample == "float" || format.sample == "double";
  sf_command(mImpl->file, SFC_SET_NORM_FLOAT, nullptr, floats ? SF_FALSE : SF_TRUE);
  sf_command(mImpl->file, SFC_SET_CLIPPING, nullptr, floats ? SF_FALSE : SF_TRUE);
  return true;
}

bool AudioWriter::Write(const float* samples, long long frames, std::string& error)
{
  if (sf_writef_float(mImpl->file, samples, frames) == frames) return true;
  error = std::string("cannot write on: ") + sf_strerror(mImpl->file);
  return false;
}

bool AudioWriter::Finish(std::string& error)
{
  SNDFILE* f = mImpl->file;
  mImpl->file = nullptr;
  if (sf_close(f) == 0) return true;
  error = "cannot finish the file (is the disk full?)";
  return false;
}

bool CanWriteAudioFormat(const AudioFormat& format, std::string& error)
{
  if (FormatCode(format, kProbeChannels, kProbeRate)) return true;
  error = "cannot write '" + AudioFormatName(format) +
          "': containers wav, wavex, aiff, flac, ogg, caf, w64, rf64, au, mp3 with samples pcm8, pcm16, pcm24, "
          "pcm32, float, double, vorbis, opus or mp3, as each container allows";
  return false;
}
