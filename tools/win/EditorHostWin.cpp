// The host frame on Windows: an EditorFrame kept for one editor after
// another. The editor's own timer redraws it, so driving it means pumping
// this thread's messages.
#include <memory>

#include "tools/EditorHost.h"
#include "tools/win/EditorFrameWin.h"

namespace {

// Size of the frame before the first editor gives its own.
constexpr int kInitialSide = 100;

class EditorHostFrameWin : public EditorHostFrame
{
public:
  EditorHostFrameWin(int x, int y) : mFrame(nullptr, x, y) {}
  bool Create() { return mFrame.CreateFrame(kInitialSide, kInitialSide); }
  bool Open(AEffect* effect) override
  {
    mFrame.SetEffect(effect);
    return mFrame.Open();
  }
  void Drive(int milliseconds) override { PumpMessages(static_cast<DWORD>(milliseconds)); }
  void Close() override
  {
    mFrame.CloseEditor();
    // The closed editor's last messages go before the next one opens.
    PumpMessages(0);
  }
  void* NativeWindow() const override { return mFrame.Frame(); }
  void HandlePending() override { PumpMessages(0); }
  const std::string& Error() const override { return mFrame.Error(); }

private:
  EditorFrame mFrame;
};

}  // namespace

std::unique_ptr<EditorHostFrame> MakeEditorHostFrame(int x, int y, std::string& error)
{
  std::unique_ptr<EditorHostFrameWin> frame(new EditorHostFrameWin(x, y));
  if (!frame->Create()) {
    error = frame->Error();
    return nullptr;
  }
  return frame;
}
