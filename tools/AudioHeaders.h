#pragma once
// What the headers of WAV and AIFF files announce, read from the chunk
// headers alone (the samples are not read). Shared by both audio-file
// backends: the Windows WAV reader reads files through it, and the Linux
// reader asks it how many frames a file should hold, which libsndfile does
// not say when a file was cut short. Any thread; no shared state.

#include <cstdint>
#include <cstdio>
#include <string>

// The layout of a RIFF WAVE file.
struct WavLayout
{
  uint16_t tag = 0;  // the format tag; for extensible files the sub-format's
  uint16_t bits = 0;
  int channels = 0;
  uint32_t rate = 0;
  bool extensible = false;
  bool knownSubFormat = true;  // an extensible file's sub-format GUID is the usual one
  long long dataOffset = -1;   // where the samples start
  long long declaredBytes = -1;  // the data chunk's size as its header gives it; -1 when open-ended
  long long presentBytes = 0;    // the part of it the file holds
  int FrameBytes() const { return channels * (bits / 8); }
};

// Reads the chunk headers of the file f of fileBytes bytes. False with an
// error when it is no RIFF WAVE file with a format and a data chunk.
bool ScanWav(std::FILE* f, long long fileBytes, WavLayout& layout, std::string& error);

// The frames the header of the WAV or AIFF file at path announces; -1 when
// it is another kind of file, announces no length or cannot be read.
long long AnnouncedFrames(const std::string& path);
