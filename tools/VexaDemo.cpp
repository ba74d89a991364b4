// vexa-demo: the demo's input generator and its report.
//   vexa-demo signal OUT.wav [SECONDS]   a drum-like loop with a bass line
//   vexa-demo report IN.wav A.wav B.wav  peak and RMS of each, largest A-B difference
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/AudioFile.h"

namespace {

constexpr double kRate = 44100.0;
constexpr double kTwoPi = 6.283185307179586;

// A small deterministic noise source for the hi-hat and snare.
struct Noise
{
  unsigned state = 0x12345678u;
  double Next()
  {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  }
};

AudioData MakeLoop(double seconds)
{
  AudioData a;
  a.channels = 2;
  a.rate = kRate;
  const int frames = static_cast<int>(seconds * kRate);
  a.samples.assign(static_cast<size_t>(frames) * 2, 0.0f);
  const double beat = 60.0 / 120.0;  // 120 BPM
  const double bassNotes[8] = {55.0, 55.0, 65.41, 55.0, 73.42, 65.41, 49.0, 55.0};
  Noise noise;
  double bassPhase = 0.0;
  for (int i = 0; i < frames; ++i) {
    const double t = i / kRate;
    const double inBeat = std::fmod(t, beat);
    const int beatIndex = static_cast<int>(t / beat);
    // Kick on every beat: a falling sine with a fast decay.
    const double kick = std::sin(kTwoPi * (50.0 * inBeat + 60.0 * (1.0 - std::exp(-inBeat * 30.0)) / 30.0)) *
                        std::exp(-inBeat * 8.0);
    // Snare on beats 2 and 4, hi-hat on every half beat.
    const double n = noise.Next();
    const double snare = (beatIndex % 2 == 1) ? n * std::exp(-inBeat * 18.0) * 0.5 : 0.0;
    const double inHalf = std::fmod(t, beat / 2.0);
    const double hat = n * std::exp(-inHalf * 90.0) * 0.15;
    // Bass: a saw-like tone following the pattern, one note per beat.
    const double f = bassNotes[beatIndex % 8];
    bassPhase += f / kRate;
    bassPhase -= std::floor(bassPhase);
    const double bass = (2.0 * bassPhase - 1.0) * 0.3 * (0.6 + 0.4 * std::exp(-inBeat * 4.0));
    const double left = 0.6 * kick + snare + hat * 0.8 + bass;
    const double right = 0.6 * kick + snare * 0.9 + hat * 1.2 + bass;
    a.samples[static_cast<size_t>(i) * 2] = static_cast<float>(left * 0.7);
    a.samples[static_cast<size_t>(i) * 2 + 1] = static_cast<float>(right * 0.7);
  }
  return a;
}

void Stats(const AudioData& a, double* peak, double* rms)
{
  double p = 0.0, sum = 0.0;
  for (float s : a.samples) {
    p = std::fmax(p, std::fabs(static_cast<double>(s)));
    sum += static_cast<double>(s) * s;
  }
  *peak = p;
  *rms = a.samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(a.samples.size()));
}

double Db(double v) { return v > 0.0 ? 20.0 * std::log10(v) : -INFINITY; }

int Report(const std::string& in, const std::string& a, const std::string& b)
{
  AudioData d[3];
  const std::string paths[3] = {in, a, b};
  std::string error;
  for (int i = 0; i < 3; ++i) {
    if (!ReadAudioFile(paths[i], d[i], error)) {
      std::fprintf(stderr, "vexa-demo: %s: %s\n", paths[i].c_str(), error.c_str());
      return 1;
    }
  }
  std::printf("%-28s %8s %10s %10s %10s\n", "file", "frames", "peak", "peak dB", "RMS dB");
  for (int i = 0; i < 3; ++i) {
    double peak, rms;
    Stats(d[i], &peak, &rms);
    const std::string name = paths[i].substr(paths[i].find_last_of("/\\") + 1);
    std::printf("%-28s %8d %10.6f %10.2f %10.2f\n", name.c_str(), d[i].Frames(), peak, Db(peak), Db(rms));
  }
  double diff = 0.0;
  if (d[1].samples.size() != d[2].samples.size()) {
    std::printf("outputs differ in length: %zu and %zu samples\n", d[1].samples.size(), d[2].samples.size());
    return 1;
  }
  for (size_t i = 0; i < d[1].samples.size(); ++i) {
    diff = std::fmax(diff, std::fabs(static_cast<double>(d[1].samples[i]) - d[2].samples[i]));
  }
  std::printf("largest difference between the two outputs: %.9g\n", diff);
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  const std::string cmd = argc > 1 ? argv[1] : "";
  if (cmd == "signal" && (argc == 3 || argc == 4)) {
    const double seconds = argc == 4 ? std::atof(argv[3]) : 8.0;
    std::string error;
    if (!WriteAudioFile(argv[2], MakeLoop(seconds), error)) {
      std::fprintf(stderr, "vexa-demo: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (cmd == "report" && argc == 5) return Report(argv[2], argv[3], argv[4]);
  std::fprintf(stderr, "usage: vexa-demo signal OUT.wav [SECONDS] | vexa-demo report IN.wav A.wav B.wav\n");
  return 2;
}
