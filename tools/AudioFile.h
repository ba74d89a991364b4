#pragma once
// Reading and writing audio files for the host tool.

#include <string>
#include <vector>

// Interleaved audio.
struct AudioData
{
  int channels = 0;
  double rate = 0.0;
  std::vector<float> samples;
  int Frames() const { return channels ? static_cast<int>(samples.size() / static_cast<size_t>(channels)) : 0; }
};

// Reads a WAV file: 16- or 24-bit PCM or 32-bit float, mono or stereo.
bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error);
// Writes a 32-bit float WAV file.
bool WriteAudioFile(const std::string& path, const AudioData& audio, std::string& error);
