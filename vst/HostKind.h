#pragma once
// Classifying the host program by its product name.

// Host kinds the adapter can recognise; -1 means "not asked yet".
enum HostKind : int
{
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostSonar = 5,
  kHostVegas = 6,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostTracktion = 10,
  kHostNTracks = 11,
  kHostMelodyneStudio = 12,
  kHostVSTScanner = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostBias = 19,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigitalPerformer = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostStudioOne = 26,
  kHostVST3TestHost = 27,
  kHostArdour = 28,
  kHostRenoise = 29,
  kHostOpenMPT = 30,
};

// Size of the buffer the host writes its product name into.
constexpr int kHostProductBytes = 256;

// The kind for a product name: the first of the known names, tested in a
// fixed order, that occurs in it case-insensitively. Reads at most
// kHostProductBytes bytes of text even when it is not terminated. Any thread.
HostKind LookUpHost(const char* productName);

// Packs a decimal version (major * 10000 + minor * 100 + patch) as
// (major << 16) | (minor << 8) | patch.
int PackDecimalVersion(int decimal);
