#pragma once
// Reading and writing audio files for the host tool. The Linux build reads
// and writes through libsndfile: every container and sample type it knows.
// The Windows build has a WAV reader and writer of its own: plain and
// extensible WAV, 8-, 16-, 24- and 32-bit integer, 32- and 64-bit float.

#include <string>
#include <vector>

// A file's container and sample type by name: containers "wav", "wavex"
// (extensible WAV), "aiff", "flac", "ogg", "caf", "w64", "rf64", "au",
// "mp3"; sample types "pcm8", "pcm16", "pcm24", "pcm32", "float", "double",
// "vorbis", "opus", "mp3". What a build can write depends on its backend.
struct AudioFormat
{
  std::string container = "wav";
  std::string sample = "float";
};

// Interleaved audio, and the format it was read in.
struct AudioData
{
  int channels = 0;
  double rate = 0.0;
  std::vector<float> samples;
  AudioFormat format;
  int Frames() const { return channels ? static_cast<int>(samples.size() / static_cast<size_t>(channels)) : 0; }
};

// Reads any audio file this build knows. False with a readable error when
// the file is missing, damaged or of a kind it cannot read.
bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error);

// Writes audio in the given format (32-bit float WAV by default). False with
// an error, and nothing left at path, when the format cannot be written.
bool WriteAudioFile(const std::string& path, const AudioData& audio, const AudioFormat& format, std::string& error);
bool WriteAudioFile(const std::string& path, const AudioData& audio, std::string& error);

// The format an output takes by default: the input's container with 32-bit
// float samples where the container holds them, else its widest integer
// (FLAC: 24-bit) or its only encoding (Ogg: Vorbis).
AudioFormat OutputFormatFor(const AudioFormat& input);

// Parses "CONTAINER" or "CONTAINER:SAMPLE" (for example "wav:pcm24" or
// "flac"); a missing sample type is chosen as for OutputFormatFor. False
// with an error for names this build cannot write.
bool ParseAudioFormat(const std::string& text, AudioFormat& format, std::string& error);

// Whether this build can write the format (stereo at 44.1 kHz); false with
// an error naming what it can write instead.
bool CanWriteAudioFormat(const AudioFormat& format, std::string& error);

// "wav:float" and the like.
std::string AudioFormatName(const AudioFormat& format);
