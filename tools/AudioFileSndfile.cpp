// Audio files through libsndfile.
#include <sndfile.h>

#include "tools/AudioFile.h"

bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error)
{
  SF_INFO info = {};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) {
    error = sf_strerror(nullptr);
    return false;
  }
  const int sub = info.format & SF_FORMAT_SUBMASK;
  if ((info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV ||
      (sub != SF_FORMAT_PCM_16 && sub != SF_FORMAT_PCM_24 && sub != SF_FORMAT_FLOAT) || info.channels < 1 ||
      info.channels > 2) {
    sf_close(f);
    error = "not a mono or stereo WAV file of 16- or 24-bit PCM or 32-bit float";
    return false;
  }
  audio.channels = info.channels;
  audio.rate = info.samplerate;
  audio.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  const sf_count_t got = sf_readf_float(f, audio.samples.data(), info.frames);
  audio.samples.resize(static_cast<size_t>(got) * static_cast<size_t>(info.channels));
  sf_close(f);
  return true;
}

bool WriteAudioFile(const std::string& path, const AudioData& audio, std::string& error)
{
  SF_INFO info = {};
  info.channels = audio.channels;
  info.samplerate = static_cast<int>(audio.rate);
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) {
    error = sf_strerror(nullptr);
    return false;
  }
  // Keep samples as they are: no normalisation or clipping.
  sf_command(f, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
  const sf_count_t frames = audio.Frames();
  const bool ok = sf_writef_float(f, audio.samples.data(), frames) == frames;
  if (!ok) error = sf_strerror(f);
  sf_close(f);
  return ok;
}
