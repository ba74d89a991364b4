// Audio format names and choices shared by both audio-file backends.
#include "tools/AudioFile.h"

namespace {

// Containers whose files hold 32-bit float samples.
const char* const kFloatContainers[] = {"wav", "wavex", "aiff", "caf", "w64", "rf64", "au"};

}  // namespace

AudioFormat OutputFormatFor(const AudioFormat& input)
{
  AudioFormat out;
  for (const char* c : kFloatContainers) {
    if (input.container == c) {
      out.container = c;
      return out;
    }
  }
  if (input.container == "flac") return AudioFormat{"flac", "pcm24"};
  if (input.container == "ogg") return AudioFormat{"ogg", input.sample == "opus" ? "opus" : "vorbis"};
  if (input.container == "mp3") return AudioFormat{"mp3", "mp3"};
  return out;  // anything else becomes a 32-bit float WAV file
}

bool ParseAudioFormat(const std::string& text, AudioFormat& format, std::string& error)
{
  const size_t colon = text.find(':');
  AudioFormat f;
  f.container = text.substr(0, colon);
  f.sample = colon == std::string::npos ? OutputFormatFor(AudioFormat{f.container, ""}).sample : text.substr(colon + 1);
  if (f.container.empty() || f.sample.empty()) {
    error = "'" + text + "' is no format: give CONTAINER or CONTAINER:SAMPLE, for example wav:pcm24";
    return false;
  }
  if (!CanWriteAudioFormat(f, error)) return false;
  format = f;
  return true;
}

std::string AudioFormatName(const AudioFormat& format) { return format.container + ":" + format.sample; }

bool WriteAudioFile(const std::string& path, const AudioData& audio, std::string& error)
{
  return WriteAudioFile(path, audio, AudioFormat(), error);
}
