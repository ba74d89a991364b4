// X errors of a trapped connection stay away from the host's handlers; the
// host's own errors still reach them; nothing of ours stays installed.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <sys/socket.h>

#include "graphics/x11/ErrorTrapX11.h"
#include "tests/graphics/x11/HostErrorHandlers.h"
#include "tests/x11/HostWindow.h"

namespace {

using x11test::ConnectToServer;
using x11test::CurrentErrorHandler;
using x11test::CurrentIOErrorHandler;
using x11test::gHostErrors;
using x11test::gHostIOErrors;
using x11test::HostErrorHandler;
using x11test::HostIOErrorHandler;

int gOtherErrors = 0;

int OtherHandler(Display*, XErrorEvent*)
{
  ++gOtherErrors;
  return 0;
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
    gOtherErrors = 0;
    handlers.Install();
  }
  void TearDown() override
  {
    handlers.Restore();
    if (ours) XCloseDisplay(ours);
    if (host) XCloseDisplay(host);
  }

  Display* host = nullptr;
  Display* ours = nullptr;
  x11test::HostErrorHandlers handlers;
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
  EXPECT_EQ(CurrentErrorHandler(), HostErrorHandler);
  EXPECT_EQ(CurrentIOErrorHandler(), HostIOErrorHandler);
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
  EXPECT_EQ(CurrentErrorHandler(), HostErrorHandler);
  XCloseDisplay(second);
}

TEST_F(ErrorTrap, LeavesAHandlerInstalledMeanwhileInPlace)
{
  {
    X11ErrorTrap trap(ours);
    XSetErrorHandler(OtherHandler);
  }
  EXPECT_EQ(CurrentErrorHandler(), OtherHandler);
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
  EXPECT_EQ(CurrentIOErrorHandler(), HostIOErrorHandler);
  {
    X11ErrorTrap trap(ours);
    XCloseDisplay(ours);
  }
  ours = nullptr;
  // The host's own connection is untouched.
  EXPECT_NE(XDefaultRootWindow(host), 0u);
  XSync(host, False);
}
