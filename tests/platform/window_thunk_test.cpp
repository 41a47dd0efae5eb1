// Who frees a window's object: the window once WM_NCCREATE took it (even when the creation
// then fails), the creator when no WM_NCCREATE came; never both.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "platform/window.h"

namespace zarnik {
namespace {

constexpr wchar_t kClass[] = L"ZarnikThunkProbe";

struct Probe : OwnedWindow {
  // Where the probe says it ended, and how it answers WM_NCCREATE and WM_CREATE.
  Probe(int* deaths, LRESULT on_nccreate, LRESULT on_create) : deaths_(deaths), on_nccreate_(on_nccreate), on_create_(on_create) {}
  ~Probe() { ++*deaths_; }
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE && on_nccreate_ != TRUE) return on_nccreate_;
    if (msg == WM_CREATE) return on_create_;
    if (msg == WM_APP + 100) throw std::runtime_error("a step failed");
    return DefWindowProcW(wnd_, msg, wp, lp);
  }
  int* deaths_;
  LRESULT on_nccreate_;
  LRESULT on_create_;
};

class WindowThunkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterWindowClassFor<Probe>({.name = kClass, .instance = GetModuleHandleW(nullptr)}));
    // Twice is fine: the class is already there.
    ASSERT_TRUE(RegisterWindowClassFor<Probe>({.name = kClass, .instance = GetModuleHandleW(nullptr)}));
  }
  HWND Make(LRESULT on_nccreate, LRESULT on_create, const wchar_t* cls = kClass) {
    return CreateOwnedWindow(std::make_unique<Probe>(&deaths_, on_nccreate, on_create),
                             {.class_name = cls, .style = WS_POPUP, .instance = GetModuleHandleW(nullptr)});
  }
  int deaths_ = 0;
};

TEST_F(WindowThunkTest, AMadeWindowFreesItsObjectOnceWhenDestroyed) {
  HWND wnd = Make(TRUE, 0);
  ASSERT_NE(wnd, nullptr);
  EXPECT_EQ(deaths_, 0);
  // An exception in a message stays inside the window procedure.
  EXPECT_NO_THROW(SendMessageW(wnd, WM_APP + 100, 0, 0));
  EXPECT_TRUE(IsWindow(wnd));
  DestroyWindow(wnd);
  EXPECT_EQ(deaths_, 1);
}

TEST_F(WindowThunkTest, ACreationRefusedAfterTheObjectWasTakenFreesItOnce) {
  EXPECT_EQ(Make(TRUE, -1), nullptr);  // WM_CREATE says no
  EXPECT_EQ(deaths_, 1);
  EXPECT_EQ(Make(FALSE, 0), nullptr);  // WM_NCCREATE itself says no
  EXPECT_EQ(deaths_, 2);
}

TEST_F(WindowThunkTest, NoWindowProcedureCalledLeavesTheObjectToTheCreator) {
  EXPECT_EQ(Make(TRUE, 0, L"ZarnikNoSuchClass"), nullptr);
  EXPECT_EQ(deaths_, 1);
}

// A window with a load step: it runs once, whoever sends or posts the message again, and what
// it throws stays inside.
struct Loaded : OwnedWindow {
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(wnd_, msg, wp, lp); }
  void OnLoad() {
    ++loads;
    throw std::runtime_error("the load failed half-way");
  }
  int loads = 0;
};

TEST(WindowLoadStep, RunsOnceAndTheObjectIsFoundOnlyBehindItsOwnClass) {
  ASSERT_TRUE(RegisterWindowClassFor<Loaded>({.name = L"ZarnikLoadProbe", .instance = GetModuleHandleW(nullptr)}));
  auto owned = std::make_unique<Loaded>();
  Loaded* loaded = owned.get();
  HWND wnd = CreateOwnedWindow(std::move(owned), {.class_name = L"ZarnikLoadProbe", .style = WS_POPUP,
                                                  .instance = GetModuleHandleW(nullptr)});
  ASSERT_NE(wnd, nullptr);
  EXPECT_EQ(loaded->loads, 0);
  EXPECT_NO_THROW(RunLoadStep(wnd));
  RunLoadStep(wnd);
  PostMessageW(wnd, kLoadStep, 0, 0);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(loaded->loads, 1);

  EXPECT_EQ(WindowObject<Loaded>(wnd), loaded);
  EXPECT_EQ(WindowObject<Probe>(wnd), nullptr);  // another class's window
  EXPECT_EQ(WindowObject<Loaded>(GetDesktopWindow()), nullptr);
  EXPECT_EQ(WindowObject<Loaded>(nullptr), nullptr);
  DestroyWindow(wnd);
}

}  // namespace
}  // namespace zarnik
