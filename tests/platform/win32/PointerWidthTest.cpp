// What differs between the i686 and the x86-64 build of the win32 backend: window longs that
// hold whole pointers, window objects found again by their window procedures when they lie
// above 4 GiB, the pointer-holding longs of our windows kept out of the 32-bit window-long
// calls, and message parameters that keep their sign and width. Under the 64-bit build's
// high-address heap (win32_high_address_tests) every object made with new lies above 4 GiB.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "platform/win32/Win32Platform.h"
#include "ui/Application.h"
#include "ui/Form.h"

#ifdef PICTOVA_HIGH_ADDRESS_HEAP
#include "platform/win32/HighAddressHeap.h"
#endif

// Last: the backend's host, with <windows.h> (see Win32Api.h).
#include "platform/win32/Win32Host.h"

namespace pictova {
namespace {

constexpr bool k64Bit = sizeof(void*) == 8;
constexpr uintptr_t kFourGiB = k64Bit ? uintptr_t(0xFFFFFFFFull) : 0;
constexpr UINT kWakeMessage = WM_APP + 1;  // the host's wake-up message

// A value for a window long that uses every bit a pointer has: above 4 GiB on 64-bit.
LONG_PTR WidePointerValue() {
  return k64Bit ? static_cast<LONG_PTR>(0x00007FFEDCBA9870ull) : static_cast<LONG_PTR>(0x89ABCDE0u);
}

// Memory from the top of the address space (above 4 GiB on 64-bit Windows and Wine), for one
// object constructed in place.
class TTopMemory {
 public:
  explicit TTopMemory(size_t size)
      : FBase(::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE)) {}
  ~TTopMemory() {
    if (FBase != nullptr) ::VirtualFree(FBase, 0, MEM_RELEASE);
  }
  TTopMemory(const TTopMemory&) = delete;
  TTopMemory& operator=(const TTopMemory&) = delete;
  void* Get() const { return FBase; }

 private:
  void* FBase;
};

HWND PlainWindow() {
  return ::CreateWindowExA(0, "STATIC", "plain", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, ::GetModuleHandleA(nullptr),
                           nullptr);
}

TEST(PointerWidth, WindowLongsHoldWholePointers) {
  const HWND hwnd = PlainWindow();
  ASSERT_NE(hwnd, nullptr);
  const LONG_PTR value = WidePointerValue();
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, value);
  EXPECT_EQ(::GetWindowLongPtrA(hwnd, GWLP_USERDATA), value);
  // The handle itself travels through the framework's uintptr_t and back.
  const auto handle = reinterpret_cast<uintptr_t>(hwnd);
  EXPECT_EQ(reinterpret_cast<HWND>(handle), hwnd);
  EXPECT_NE(::IsWindow(reinterpret_cast<HWND>(handle)), FALSE);
  ::DestroyWindow(hwnd);
}

#ifdef PICTOVA_HIGH_ADDRESS_HEAP
TEST(PointerWidth, ObjectsMadeWithNewLieAboveFourGiB) {
  // Without this the tests of this program would not test what they claim.
  ASSERT_GT(HighAddressHeapBase(), kFourGiB);
  auto object = std::make_unique<int>(7);
  EXPECT_TRUE(InHighAddressHeap(object.get()));
  EXPECT_GT(reinterpret_cast<uintptr_t>(object.get()), kFourGiB);
}
#endif

// A host and a window constructed above 4 GiB: the window procedure and the message window's
// procedure find them through their window longs.
TEST(PointerWidth, WindowProceduresFindObjectsAboveFourGiB) {
  std::unique_ptr<IClock> clock = CreateWin32Clock();
  TWin32Cursor cursor;
  TTopMemory hostMemory(sizeof(TWin32Host)), windowMemory(sizeof(TWin32Window));
  ASSERT_NE(hostMemory.Get(), nullptr);
  ASSERT_NE(windowMemory.Get(), nullptr);
  EXPECT_GT(reinterpret_cast<uintptr_t>(hostMemory.Get()), kFourGiB);
  EXPECT_GT(reinterpret_cast<uintptr_t>(windowMemory.Get()), kFourGiB);

  auto* host = new (hostMemory.Get()) TWin32Host(*clock, cursor);
  TWindowParams params;
  params.Caption = "PictovaHighWindow";
  params.Bounds = Rect(20, 20, 220, 170);
  params.Frame = wfNone;
  params.Style = WS_POPUP;
  params.Visible = true;
  auto* window = new (windowMemory.Get()) TWin32Window(*host, params);
  const HWND hwnd = window->Hwnd();
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(host->Find(hwnd), window);
  EXPECT_EQ(::GetWindowLongPtrA(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(window));

  // Sent messages go through the window procedure to this host's queue, for this window;
  // mouse coordinates keep their sign (a captured pointer left of and above the window).
  // Creating and showing the window queued events of its own before them.
  ::SendMessageA(hwnd, WM_CHAR, 'x', 0);
  ::SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(-5, -7));
  ::SendMessageA(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  std::string seen;
  TInputEvent e;
  while (host->PollEvent(e)) {
    EXPECT_EQ(e.Window, reinterpret_cast<uintptr_t>(hwnd));
    if (e.Kind == TInputKind::Char) seen += "char " + std::string(1, static_cast<char>(e.Char)) + ";";
    if (e.Kind == TInputKind::MouseMove) seen += "move " + std::to_string(e.X) + "," + std::to_string(e.Y) + ";";
    if (e.Kind == TInputKind::SysCommand) seen += "command " + std::to_string(e.Command) + ";";
  }
  EXPECT_EQ(seen, "char x;move -5,-7;command " + std::to_string(SC_RESTORE) + ";");

  // The wake-up message, dispatched by somebody else's loop (a message box's), reaches the
  // host through the message window's long: the next wake-up posts a message again.
  auto wakeMessages = [] {
    int count = 0;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, kWakeMessage, kWakeMessage, PM_REMOVE)) {
      ++count;
      ::DispatchMessageA(&msg);
    }
    return count;
  };
  {
    std::unique_lock<std::mutex> lock(clock->Lock());
    host->WakeUpLocked();
  }
  EXPECT_EQ(wakeMessages(), 1);
  {
    std::unique_lock<std::mutex> lock(clock->Lock());
    host->WakeUpLocked();
  }
  EXPECT_EQ(wakeMessages(), 1);

  window->~TWin32Window();
  EXPECT_FALSE(::IsWindow(hwnd));
  host->~TWin32Host();
}

class PointerWidthFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPlatform(CreateWin32Platform());
    FApp = std::make_unique<TApplication>();
    if (!::IsWindow(reinterpret_cast<HWND>(FApp->Handle()))) GTEST_SKIP() << "no display: windows cannot be created";
  }
  void TearDown() override {
    FApp.reset();
    ShutdownPlatform();
  }
  std::unique_ptr<TApplication> FApp;
};

class TKeyForm : public TForm {
 public:
  using TForm::TForm;
};

// The framework's window-long calls are 32 bits wide: they leave alone the longs that hold
// pointers, where our windows keep their objects, and the form goes on receiving messages.
TEST_F(PointerWidthFormTest, WindowLongCallsLeaveThePointerLongsAlone) {
  TKeyForm* form = nullptr;
  FApp->CreateForm(form);
  form->SetBounds(30, 30, 160, 120);
  std::string keys;
  form->OnKeyPress = [&](TComponent*, char& key) { keys += key; };
  form->Show();
  FApp->RunUntil(Platform().Clock().NowMs() + 50);
  IWindowHost& host = Platform().Windows();
  const uintptr_t handle = form->Handle();
  const HWND hwnd = reinterpret_cast<HWND>(handle);
  const LONG_PTR object = ::GetWindowLongPtrA(hwnd, GWLP_USERDATA);
  const LONG_PTR procedure = ::GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
  ASSERT_NE(object, 0);

  for (int index : {GWLP_USERDATA, GWLP_WNDPROC, GWLP_HINSTANCE, GWLP_HWNDPARENT}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(host.GetWindowLong(handle, index), 0);
    EXPECT_EQ(host.SetWindowLong(handle, index, 0x1234), 0);
  }
  EXPECT_EQ(::GetWindowLongPtrA(hwnd, GWLP_USERDATA), object);
  EXPECT_EQ(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC), procedure);
  // The style longs still pass.
  EXPECT_NE(host.GetWindowLong(handle, GWL_STYLE) & WS_VISIBLE, 0);

  ::PostMessageA(hwnd, WM_CHAR, 'k', 0);
  FApp->RunUntil(Platform().Clock().NowMs() + 50);
  EXPECT_EQ(keys, "k");
  delete form;
}

}  // namespace
}  // namespace pictova
