// Audio format names and choices, and whole-file reading and writing,
// shared by both audio-file backends.
#include <cctype>
#include <cstdio>

#include "tools/AudioFile.h"

namespace {

// Containers whose files hold 32-bit float samples.
const char* const kFloatContainers[] = {"wav", "wavex", "aiff", "caf", "w64", "rf64", "au"};

// File name extensions and the container each stands for.
struct Extension
{
  const char* extension;
  const char* container;
};
const Extension kExtensions[] = {
  {"wav", "wav"}, {"wave", "wav"}, {"aif", "aiff"}, {"aiff", "aiff"}, {"aifc", "aiff"}, {"flac", "flac"},
  {"ogg", "ogg"}, {"oga", "ogg"},  {"opus", "ogg"}, {"caf", "caf"},   {"w64", "w64"},   {"rf64", "rf64"},
  {"au", "au"},   {"snd", "au"},   {"mp3", "mp3"},
};

// Containers of WAV files, which share the extension ".wav".
bool IsWavFamily(const std::string& container)
{
  return container == "wav" || container == "wavex" || container == "rf64";
}

// Frames read or written at a time by the whole-file functions.
constexpr long long kWholeFileBlockFrames = 65536;

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

std::string ContainerForName(const std::string& path)
{
  const size_t dot = path.find_last_of('.');
  const size_t separator = path.find_last_of("/\\");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const Extension& e : kExtensions) {
    if (extension == e.extension) return e.container;
  }
  return "";
}

bool ContainerFitsExtension(const std::string& container, const std::string& extensionContainer)
{
  return container == extensionContainer || (extensionContainer == "wav" && IsWavFamily(container));
}

bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error)
{
  AudioReader reader;
  if (!reader.Open(path, error)) return false;
  audio.channels = reader.Channels();
  audio.rate = reader.Rate();
  audio.format = reader.Format();
  audio.samples.clear();
  const size_t channels = static_cast<size_t>(audio.channels);
  std::vector<float> block(static_cast<size_t>(kWholeFileBlockFrames) * channels);
  long long got;
  while ((got = reader.Read(block.data(), kWholeFileBlockFrames, error)) > 0) {
    audio.samples.insert(audio.samples.end(), block.begin(), block.begin() + static_cast<long>(got) * static_cast<long>(channels));
  }
  if (got == 0 && reader.MissingFrames() > 0) {
    error = "the file is cut short: " + std::to_string(reader.MissingFrames()) + " frames missing";
    return false;
  }
  return got == 0;
}

bool WriteAudioFile(const std::string& path, const AudioData& audio, const AudioFormat& format, std::string& error)
{
  bool ok = true;
  {
    AudioWriter writer;
    if (!writer.Open(path, format, audio.channels, audio.rate, error)) return false;
    for (long long at = 0; ok && at < audio.Frames(); at += kWholeFileBlockFrames) {
      const long long n = audio.Frames() - at < kWholeFileBlockFrames ? audio.Frames() - at : kWholeFileBlockFrames;
      ok = writer.Write(audio.samples.data() + at * audio.channels, n, error);
    }
    ok = ok && writer.Finish(error);
  }
  if (!ok) std::remove(path.c_str());
  return ok;
}

bool WriteAudioFile(const std::string& path, const AudioData& audio, std::string& error)
{
  return WriteAudioFile(path, audio, AudioFormat(), error);
}
