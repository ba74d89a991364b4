#pragma once
// Where Vexa's editor layout should put each control, as its tests expect
// it: written down independently of the layout code, so that a test that
// compares the two catches a control that moved.

#include "plugin/EffectParams.h"
#include "plugin/VexaEditor.h"

// One control: its place and size, its parameter (-1: none), the resource
// id of its image and the image's frames.
struct Place
{
  int x, y, width, height;
  int param;
  int resourceId;
  int frames;
};

// Every control in the layout's list order.
inline const Place kPlaces[kNumVexaControls] = {
  {0, 0, 764, 222, -1, 108, 1},        // background
  {164, 62, 66, 72, kParamQ, 101, 61},  // Q
  {71, 62, 67, 72, kParamFrequency, 102, 61},
  {257, 62, 66, 72, kParamAttack, 103, 61},
  {350, 62, 66, 72, kParamRelease, 104, 61},
  {444, 62, 67, 72, kParamIntensity, 105, 61},
  {563, 62, 67, 72, kParamMix, 106, 61},
  {657, 62, 65, 72, kParamOutput, 107, 61},
  {351, 193, 122, 30, kParamPitch, 112, 25},
  {0, 192, 122, 30, kParamSequence, 109, 2},
  {323, 38, 30, 30, -1, 110, 61},   // envelope indicator
  {109, 192, 30, 30, -1, 111, 61},  // gate indicator
};
