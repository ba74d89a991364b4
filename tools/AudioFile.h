#pragma once
// Reading and writing audio files for the host tools, a block at a time, so
// that the memory a render takes does not grow with the file. The Linux
// build reads and writes through libsndfile: every container and sample
// type it knows. The Windows build has a WAV reader and writer of its own:
// plain and extensible WAV, 8-, 16-, 24- and 32-bit integer, 32- and 64-bit
// float.

#include <memory>
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

// An audio file open for reading. Owns the open file and closes it when
// destroyed. Used by one thread.
class AudioReader
{
public:
  AudioReader();
  ~AudioReader();
  AudioReader(const AudioReader&) = delete;
  AudioReader& operator=(const AudioReader&) = delete;

  // Opens path; false with a readable error when it is missing, a folder,
  // damaged or of a kind this build cannot read.
  bool Open(const std::string& path, std::string& error);
  int Channels() const;
  double Rate() const;
  const AudioFormat& Format() const;
  // The frames the file holds as far as known once open; -1 when unknown.
  long long Frames() const;
  // Reads up to frames frames into samples (room for frames × Channels(),
  // interleaved, full scale ±1). Returns the frames read, 0 at the end, or
  // -1 with error when the file cannot be read on.
  long long Read(float* samples, long long frames, std::string& error);
  // Frames the file's header announces that the file does not hold (it was
  // cut short); known once Read returned 0, else 0.
  long long MissingFrames() const;

  struct Impl;

private:
  std::unique_ptr<Impl> mImpl;
};

// An audio file being written. Owns the open file; destroyed before Finish,
// it closes the file as it is (the caller removes it). Used by one thread.
class AudioWriter
{
public:
  AudioWriter();
  ~AudioWriter();
  AudioWriter(const AudioWriter&) = delete;
  AudioWriter& operator=(const AudioWriter&) = delete;

  // Creates path (replacing what is there) for audio of the given format,
  // channel count and rate; false with an error when this build cannot
  // write that or the file cannot be made.
  bool Open(const std::string& path, const AudioFormat& format, int channels, double rate, std::string& error);
  // Appends frames frames of interleaved samples. Integer formats take
  // ±1 as full scale and clip beyond it; float formats keep every value.
  bool Write(const float* samples, long long frames, std::string& error);
  // Completes the file (its header's sizes) and closes it; false with error.
  bool Finish(std::string& error);

  struct Impl;

private:
  std::unique_ptr<Impl> mImpl;
};

// A whole file in memory, for short signals (the demo, tests).
struct AudioData
{
  int channels = 0;
  double rate = 0.0;
  std::vector<float> samples;  // interleaved
  AudioFormat format;
  int Frames() const { return channels ? static_cast<int>(samples.size() / static_cast<size_t>(channels)) : 0; }
};

// Reads a whole file. False with a readable error when the file is missing,
// damaged, cut short or of a kind this build cannot read.
bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error);

// Writes audio in the given format (32-bit float WAV by default). False with
// an error, and nothing left at path, when it cannot be written.
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

// The container a file name's extension stands for ("wav" for ".wav",
// "aiff" for ".aif" and ".aiff", ...), empty when the extension is none
// this tool knows.
std::string ContainerForName(const std::string& path);

// Whether a file named with an extension of extensionContainer may hold
// container: the same, or another kind of WAV file for ".wav".
bool ContainerFitsExtension(const std::string& container, const std::string& extensionContainer);

// "wav:float" and the like.
std::string AudioFormatName(const AudioFormat& format);
