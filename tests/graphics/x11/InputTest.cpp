// X key symbols, pointer state and press times into the editor's input.
#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/keysym.h>

#include "graphics/x11/InputX11.h"

namespace {

int KeyOf(unsigned long plain, unsigned long shifted = NoSymbol)
{
  EditorKey key;
  return EditorKeyFor(plain, shifted, &key) ? static_cast<int>(key) : -1;
}

}  // namespace

TEST(EditorKeyFor, MapsSpaceArrowsDigitsAndLetters)
{
  EXPECT_EQ(KeyOf(XK_space), kKeySpace);
  EXPECT_EQ(KeyOf(XK_Up), kKeyUp);
  EXPECT_EQ(KeyOf(XK_Down), kKeyDown);
  EXPECT_EQ(KeyOf(XK_Left), kKeyLeft);
  EXPECT_EQ(KeyOf(XK_Right), kKeyRight);
  EXPECT_EQ(KeyOf(XK_KP_Up), kKeyUp);
  EXPECT_EQ(KeyOf(XK_0), kKeyDigit0);
  EXPECT_EQ(KeyOf(XK_9), kKeyDigit0 + 9);
  EXPECT_EQ(KeyOf(XK_a, XK_A), kKeyLetterA);
  EXPECT_EQ(KeyOf(XK_q, XK_Q), kKeyLetterA + 16);
  EXPECT_EQ(KeyOf(XK_Z), kKeyLetterZ);
}

TEST(EditorKeyFor, LeavesOtherKeysToTheHost)
{
  EXPECT_EQ(KeyOf(XK_F1), -1);
  EXPECT_EQ(KeyOf(XK_Escape), -1);
  EXPECT_EQ(KeyOf(XK_KP_1), -1);  // as the numeric keypad elsewhere
  EXPECT_EQ(KeyOf(XK_Shift_L), -1);
  EXPECT_EQ(KeyOf(XK_eacute, XK_Eacute), -1);
  EXPECT_EQ(KeyOf(NoSymbol), -1);
}

TEST(EditorKeyFor, TakesDigitsThatNeedShift)
{
  // A layout whose digit row gives symbols unshifted still gives digits.
  EXPECT_EQ(KeyOf(XK_ampersand, XK_1), kKeyDigit0 + 1);
  EXPECT_EQ(KeyOf(XK_agrave, XK_0), kKeyDigit0);
  // Shifted symbols other than digits do not count.
  EXPECT_EQ(KeyOf(XK_comma, XK_less), -1);
}

TEST(ModsFromState, ReadsModifiersAndTheButtonsHeldAfterTheEvent)
{
  IMouseMods m = ModsFromState(ShiftMask | ControlMask | Mod1Mask, Button1, 0);
  EXPECT_TRUE(m.left && m.shift && m.ctrl && m.alt);
  EXPECT_FALSE(m.right);
  // A release reports the state from before it: the button is no longer held.
  m = ModsFromState(Button1Mask | Button3Mask, 0, Button1);
  EXPECT_FALSE(m.left);
  EXPECT_TRUE(m.right);
  m = ModsFromState(Button2Mask | LockMask | Mod4Mask, Button2, 0);
  EXPECT_FALSE(m.left || m.right || m.shift || m.ctrl || m.alt);
  EXPECT_EQ(ButtonStateMask(Button3), static_cast<unsigned>(Button3Mask));
  EXPECT_EQ(ButtonStateMask(Button4), 0u);
}

TEST(DoubleClickDetector, PairsClosePressesOfOneButton)
{
  DoubleClickDetector d;
  EXPECT_FALSE(d.Press(Button1, 1000, 10, 10));
  EXPECT_TRUE(d.Press(Button1, 1000 + kDoubleClickMilliseconds, 10 + kDoubleClickSlop, 10 - kDoubleClickSlop));
  // The third press of a quick run starts a new pair.
  EXPECT_FALSE(d.Press(Button1, 1500, 10, 10));
  EXPECT_TRUE(d.Press(Button1, 1600, 10, 10));
}

TEST(DoubleClickDetector, RefusesSlowFarOrMixedPresses)
{
  DoubleClickDetector d;
  d.Press(Button1, 1000, 10, 10);
  EXPECT_FALSE(d.Press(Button1, 1001 + kDoubleClickMilliseconds, 10, 10));
  EXPECT_FALSE(d.Press(Button1, 1500 + kDoubleClickMilliseconds, 11 + kDoubleClickSlop, 10));
  EXPECT_FALSE(d.Press(Button3, 1501 + kDoubleClickMilliseconds, 11 + kDoubleClickSlop, 10));
  EXPECT_FALSE(d.Press(Button1, 1502 + kDoubleClickMilliseconds, 11 + kDoubleClickSlop, 10));
  d.Reset();
  EXPECT_FALSE(d.Press(Button1, 1503 + kDoubleClickMilliseconds, 11 + kDoubleClickSlop, 10));
}

TEST(DoubleClickDetector, CountsTimeAcrossTheServerClockWrap)
{
  DoubleClickDetector d;
  d.Press(Button1, 0xFFFFFF00ul, 5, 5);
  EXPECT_TRUE(d.Press(Button1, 0x00000010ul, 5, 5));
  d.Press(Button1, 0xFFFFFF00ul, 5, 5);
  // 0x100 + 0x91 = 401 ms after the press, past the wrap.
  EXPECT_FALSE(d.Press(Button1, 0x00000091ul, 5, 5));
}
