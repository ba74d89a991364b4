#include "vst/HostKind.h"

#include <cstring>

namespace {

struct HostName
{
  const char* text;
  HostKind kind;
};

// Tested in this order; the first name found decides.
const HostName kHostNames[] = {
  {"cubase", kHostCubase},
  {"reaper", kHostReaper},
  {"nuendo", kHostNuendo},
  {"cakewalk", kHostSonar},
  {"samplitude", kHostSamplitude},
  {"fruity", kHostFL},
  {"live", kHostAbletonLive},
  {"melodyne", kHostMelodyneStudio},
  {"vstmanlib", kHostVSTScanner},
  {"aulab", kHostAULab},
  {"garageband", kHostGarageBand},
  {"forte", kHostForte},
  {"chainer", kHostChainer},
  {"audition", kHostAudition},
  {"orion", kHostOrion},
  {"sawstudio", kHostSAWStudio},
  {"logic", kHostLogic},
  {"digital", kHostDigitalPerformer},
  {"audiomulch", kHostAudioMulch},
  {"presonus", kHostStudioOne},
  {"vst3plugintesthost", kHostVST3TestHost},
  {"protools", kHostProTools},
  {"ardour", kHostArdour},
  {"openmpt", kHostOpenMPT},
  {"renoise", kHostRenoise},
  {"standalone", kHostStandalone},
};

}  // namespace

HostKind LookUpHost(const char* productName)
{
  if (!productName) return kHostUnknown;
  char lower[kHostProductBytes + 1];
  int n = 0;
  for (; n < kHostProductBytes && productName[n]; ++n) {
    const char c = productName[n];
    lower[n] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  lower[n] = 0;
  for (const HostName& h : kHostNames) {
    if (std::strstr(lower, h.text)) return h.kind;
  }
  return kHostUnknown;
}

int PackDecimalVersion(int decimal)
{
  const int major = decimal / 10000;
  const int minor = (decimal % 10000) / 100;
  const int patch = decimal - major * 10000 - minor * 100;
  return static_cast<int>((static_cast<unsigned>(major) << 16) + (static_cast<unsigned>(minor) << 8) +
                          static_cast<unsigned>(patch));
}
