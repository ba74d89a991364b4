// X errors of a trapped connection stay away from the host's handlers; the
// host's own errors still reach them; nothing of ours stays installed.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "graphics/x11/ErrorTrapX11.h"

namespace {

// The server may refuse a connection now and then while it catches up with
// closed ones; a few tries, a few milliseconds apart.
Display* ConnectToServer()
{
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (Display* d = XOpenDisplay(nullptr)) return d;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return nullptr;
}

int gHostErrors = 0;
int gHostIOErrors = 0;
int gOtherErrors = 0;

int HostHandler(Display*, XErrorEvent*)
{
  ++gHostErrors;
  return 0;
}

int HostIOHandler(Display*)
{
  ++gHostIOErrors;
  return 0;
}

int OtherHandler(Display*, XErrorEvent*)
{
  ++gOtherErrors;
  return 0;
}

XErrorHandler CurrentHandler()
{
  const XErrorHandler h = XSetErrorHandler(nullptr);
  XSetErrorHandler(h);
  return h;
}

XIOErrorHandler CurrentIOHandler()
{
  const XIOErrorHandler h = XSetIOErrorHandler(nullptr);
  XSetIOErrorHandler(h);
  return h;
}

// A request that fails: mapping a window id that does not exist.
void FailingRequest(Display* d)
{
  XMapWindow(d, 0x3FFFFFu);
  XSync(d, False);
}

class ErrorTrap : public ::testing::Test
{
protected:
  void SetUp() override
  {
    host = ConnectToServer();
    ours = ConnectToServer();
    ASSERT_TRUE(host && ours) << "these tests need an X display (DISPLAY)";
    gHostErrors = gHostIOErrors = gOtherErrors = 0;
    previous = XSetErrorHandler(HostHandler);
    previousIO = XSetIOErrorHandler(HostIOHandler);
  }
  void TearDown() override
  {
    XSetErrorHandler(previous);
    XSetIOErrorHandler(previousIO);
    if (ours) XCloseDisplay(ours);
    if (host) XCloseDisplay(host);
  }

  Display* host = nullptr;
  Display* ours = nullptr;
  XErrorHandler previous = nullptr;
  XIOErrorHandler previousIO = nullptr;
};

}  // namespace

TEST_F(ErrorTrap, KeepsTheConnectionsErrorsAndPutsTheHostsHandlersBack)
{
  {
    X11ErrorTrap trap(ours);
    FailingRequest(ours);
    EXPECT_EQ(trap.ErrorCount(), 1);
    EXPECT_EQ(trap.LastErrorCode(), BadWindow);
    EXPECT_TRUE(trap.SawMissingWindow());
  }
  EXPECT_EQ(gHostErrors, 0);
  EXPECT_EQ(CurrentHandler(), HostHandler);
  EXPECT_EQ(CurrentIOHandler(), HostIOHandler);
  // Outside a trap the error is the host's again.
  FailingRequest(ours);
  EXPECT_EQ(gHostErrors, 1);
}

TEST_F(ErrorTrap, PassesOtherConnectionsErrorsToTheHost)
{
  X11ErrorTrap trap(ours);
  FailingRequest(host);
  EXPECT_EQ(gHostErrors, 1);
  EXPECT_EQ(trap.ErrorCount(), 0);
}

TEST_F(ErrorTrap, NestedTrapsEachKeepTheirOwnAndUnwindToTheHost)
{
  Display* second = ConnectToServer();
  ASSERT_TRUE(second);
  {
    X11ErrorTrap outer(ours);
    {
      X11ErrorTrap inner(second);
      FailingRequest(ours);
      FailingRequest(second);
      FailingRequest(host);
      EXPECT_EQ(inner.ErrorCount(), 1);
    }
    EXPECT_EQ(outer.ErrorCount(), 1);
  }
  EXPECT_EQ(gHostErrors, 1);
  EXPECT_EQ(CurrentHandler(), HostHandler);
  XCloseDisplay(second);
}

TEST_F(ErrorTrap, LeavesAHandlerInstalledMeanwhileInPlace)
{
  {
    X11ErrorTrap trap(ours);
    XSetErrorHandler(OtherHandler);
  }
  EXPECT_EQ(CurrentHandler(), OtherHandler);
}

TEST_F(ErrorTrap, ALostConnectionIsRecordedAndTheProcessGoesOn)
{
  bool lost = false;
  KeepProcessOnConnectionLoss(ours, &lost);
  {
    X11ErrorTrap trap(ours);
    shutdown(ConnectionNumber(ours), SHUT_RDWR);
    FailingRequest(ours);
    XSync(ours, False);
  }
  EXPECT_TRUE(lost);
  EXPECT_EQ(gHostIOErrors, 0);
  EXPECT_EQ(CurrentIOHandler(), HostIOHandler);
  {
    X11ErrorTrap trap(ours);
    XCloseDisplay(ours);
  }
  ours = nullptr;
  // The host's own connection is untouched.
  EXPECT_NE(XDefaultRootWindow(host), 0u);
  XSync(host, False);
}
