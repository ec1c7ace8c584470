// The window shadow: setters and their ranges, copying, and a real layered
// shadow window behind a real owner (placement, the open middle read back
// from the built bitmap, maximise and restore, the colour kernel's numbers).
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "tests/ui/canvas.h"
#include "tests/ui/ui_test_support.h"
#include "ui/base/paint_manager.h"
#include "ui/controls/shadow.h"

using namespace Ulmar;
using uitest::TestContainer;
using uitest::TestWindow;

namespace {

// A 36x36 shadow image: a translucent black frame 12 px wide around a clear middle.
uitest::TempFile ShadowPng() {
    std::vector<uint32_t> argb(36 * 36);
    for (int y = 0; y < 36; ++y) {
        for (int x = 0; x < 36; ++x) {
            const bool frame = x < 12 || x >= 24 || y < 12 || y >= 24;
            argb[y * 36 + x] = frame ? 0x80000000u : 0xFFFF0000u;
        }
    }
    return uitest::TempFile(L"shadow_frame.png", test::MakePng(36, 36, argb));
}

RECT WindowRect(HWND hwnd) {
    RECT rc = {};
    ::GetWindowRect(hwnd, &rc);
    return rc;
}

struct Owner {
    TestWindow window{600, 400};
    TestContainer* root = new TestContainer();
    CShadowUI* shadow = CShadowUI::Of(window.pm());

    Owner() { root->SetBkColor(0xFFFFFFFF); }
    void Attach() {
        window.pm().AttachDialog(root);
        uitest::Flush(window.hwnd());
    }
};

}  // namespace

TEST(Shadow, SettersRefuseValuesOutOfRangeAndKeepTheOldOne) {
    CShadowUI shadow;
    EXPECT_FALSE(shadow.SetSize(40));
    EXPECT_EQ(0, shadow.GetSize());
    EXPECT_TRUE(shadow.SetSize(-35));
    EXPECT_FALSE(shadow.SetSize(-36));
    EXPECT_EQ(-35, shadow.GetSize());
    EXPECT_FALSE(shadow.SetSharpness(36));
    EXPECT_EQ(5, shadow.GetSharpness());
    EXPECT_FALSE(shadow.SetDarkness(256));
    EXPECT_TRUE(shadow.SetDarkness(255));
    EXPECT_EQ(255, shadow.GetDarkness());
    EXPECT_FALSE(shadow.SetPosition(3, 36));
    EXPECT_EQ(0, shadow.GetPosition().x) << "neither offset changes when one is refused";
    EXPECT_FALSE(shadow.SetShadowCorner(RECT{1, -1, 1, 1}));
    EXPECT_FALSE(shadow.SetImage(nullptr));
    EXPECT_FALSE(shadow.IsImageMode());
}

TEST(Shadow, CopyShadowCopiesTheSettingsOfItsMode) {
    CShadowUI image;
    image.SetImage(L"Window_shadow.png");
    image.SetShadowCorner(RECT{12, 12, 12, 12});
    image.SetSize(12);
    image.SetDarkness(20);
    image.ShowShadow(true);
    CShadowUI copy;
    image.CopyShadow(&copy);
    EXPECT_TRUE(copy.IsImageMode());
    EXPECT_EQ(L"Window_shadow.png", std::wstring(copy.GetImage().GetData()));
    EXPECT_EQ(12, copy.GetShadowCorner().right);
    EXPECT_EQ(12, copy.GetSize());
    EXPECT_EQ(150, copy.GetDarkness()) << "darkness is a colour-mode setting";
    EXPECT_TRUE(copy.IsShowShadow());

    CShadowUI colour;
    colour.SetSize(7);
    colour.SetSharpness(9);
    colour.SetColor(RGB(1, 2, 3));
    colour.SetPosition(-2, 4);
    CShadowUI copy2;
    colour.CopyShadow(&copy2);
    EXPECT_FALSE(copy2.IsImageMode());
    EXPECT_EQ(9, copy2.GetSharpness());
    EXPECT_EQ(RGB(1, 2, 3), copy2.GetColor());
    EXPECT_EQ(4, copy2.GetPosition().y);
    EXPECT_FALSE(copy2.IsShowShadow());
}

TEST(Shadow, WithoutShowShadowNoWindowIsCreated) {
    Owner owner;
    owner.shadow->SetSize(12);
    owner.shadow->SetImage(L"x.png");
    owner.Attach();
    EXPECT_EQ(nullptr, owner.shadow->GetShadowWindow());
}

TEST(Shadow, ImageShadowSurroundsTheOwnerAndIsClearOverIt) {
    auto png = ShadowPng();
    Owner owner;
    owner.shadow->ShowShadow(true);
    owner.shadow->SetImage((L"file='" + png.path() + L"'").c_str());
    owner.shadow->SetShadowCorner(RECT{12, 12, 12, 12});
    EXPECT_FALSE(owner.shadow->SetSize(40));
    ASSERT_TRUE(owner.shadow->SetSize(12));
    owner.Attach();
    HWND shadowWindow = owner.shadow->GetShadowWindow();
    ASSERT_NE(nullptr, shadowWindow);
    EXPECT_TRUE(::IsWindowVisible(shadowWindow));
    EXPECT_NE(0, ::GetWindowLongPtrW(shadowWindow, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_NE(0, ::GetWindowLongPtrW(shadowWindow, GWL_EXSTYLE) & WS_EX_TRANSPARENT);

    const RECT own = WindowRect(owner.window.hwnd());
    const RECT sh = WindowRect(shadowWindow);
    EXPECT_EQ(own.left - 12, sh.left);
    EXPECT_EQ(own.top - 12, sh.top);
    EXPECT_EQ(624, sh.right - sh.left);
    EXPECT_EQ(424, sh.bottom - sh.top);

    ASSERT_EQ(624, owner.shadow->GetBitmapSize().cx);
    ASSERT_EQ(424, owner.shadow->GetBitmapSize().cy);
    const DWORD* bits = owner.shadow->GetBits();
    ASSERT_NE(nullptr, bits);
    EXPECT_EQ(0x80u, bits[5 * 624 + 300] >> 24) << "the frame above the owner";
    EXPECT_EQ(0x80u, bits[200 * 624 + 3] >> 24) << "the frame left of the owner";
    EXPECT_EQ(0u, bits[212 * 624 + 312]) << "fully transparent over the owner";
    EXPECT_EQ(0u, bits[13 * 624 + 13]) << "the hole starts right at the owner's corner";

    // Moving the owner carries the shadow along.
    ::SetWindowPos(owner.window.hwnd(), nullptr, 100, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    uitest::PumpFor(50);
    EXPECT_EQ(88, WindowRect(shadowWindow).left);
    EXPECT_EQ(78, WindowRect(shadowWindow).top);
}

TEST(Shadow, HiddenWhileTheOwnerIsMaximisedAndShownAgainOnRestore) {
    auto png = ShadowPng();
    Owner owner;
    owner.shadow->ShowShadow(true);
    owner.shadow->SetImage((L"file='" + png.path() + L"'").c_str());
    owner.shadow->SetShadowCorner(RECT{12, 12, 12, 12});
    owner.shadow->SetSize(12);
    owner.Attach();
    HWND shadowWindow = owner.shadow->GetShadowWindow();
    ASSERT_TRUE(::IsWindowVisible(shadowWindow));

    ::ShowWindow(owner.window.hwnd(), SW_MAXIMIZE);
    uitest::PumpFor(100);
    EXPECT_FALSE(::IsWindowVisible(shadowWindow));
    EXPECT_EQ(0, owner.shadow->GetStatus() & CShadowUI::SS_VISIBLE);

    ::ShowWindow(owner.window.hwnd(), SW_RESTORE);
    uitest::PumpFor(100);
    uitest::Flush(owner.window.hwnd());
    EXPECT_TRUE(::IsWindowVisible(shadowWindow));
    const RECT sh = WindowRect(shadowWindow);
    EXPECT_EQ(624, sh.right - sh.left) << "rebuilt for the restored size";

    ::ShowWindow(owner.window.hwnd(), SW_HIDE);
    uitest::PumpFor(50);
    EXPECT_FALSE(::IsWindowVisible(shadowWindow));
    ::ShowWindow(owner.window.hwnd(), SW_SHOWNA);
    uitest::PumpFor(50);
    EXPECT_TRUE(::IsWindowVisible(shadowWindow));

    owner.window.Destroy();
    EXPECT_FALSE(::IsWindow(shadowWindow)) << "destroyed with its owner";
}

TEST(Shadow, ColourModeKernelFollowsSizeSharpnessAndDarkness) {
    Owner owner;
    owner.shadow->ShowShadow(true);
    owner.shadow->SetColor(RGB(255, 0, 0));
    owner.shadow->SetSize(8);
    owner.shadow->SetSharpness(4);
    owner.Attach();
    ASSERT_NE(nullptr, owner.shadow->GetShadowWindow());
    const SIZE size = owner.shadow->GetBitmapSize();
    ASSERT_EQ(616, size.cx);
    ASSERT_EQ(416, size.cy);
    const DWORD* bits = owner.shadow->GetBits();
    const int row = 208;  // the owner's middle row
    EXPECT_EQ(0x96960000u, bits[row * 616 + 8]) << "the owner's edge: full darkness 150";
    EXPECT_EQ(0x96960000u, bits[row * 616 + 5]) << "distance 3, inside r0 = 4";
    EXPECT_EQ(0x78780000u, bits[row * 616 + 3]) << "distance 5: 150 * (1 - 1/5) = 120";
    EXPECT_EQ(0u, bits[0]) << "the corner lies beyond the kernel radius";

    EXPECT_FALSE(owner.shadow->SetSize(40));
    EXPECT_EQ(8, owner.shadow->GetSize());
}

TEST(Shadow, WindowAttributesOfTheSkinConfigureTheShadow) {
    Owner owner;
    owner.window.pm().AddWindowCustomAttribute(L"showshadow", L"true");
    owner.window.pm().AddWindowCustomAttribute(L"shadowsize", L"40");
    owner.window.pm().AddWindowCustomAttribute(L"shadowcolor", L"#FF102030");
    owner.window.pm().AddWindowCustomAttribute(L"shadowposition", L"2,3");
    owner.Attach();
    EXPECT_TRUE(owner.shadow->IsShowShadow());
    EXPECT_EQ(0, owner.shadow->GetSize()) << "40 is refused";
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), owner.shadow->GetColor());
    EXPECT_EQ(3, owner.shadow->GetPosition().y);
    EXPECT_EQ(nullptr, owner.shadow->GetBits()) << "colour mode with size 0 draws nothing";
}

// Not run by default: keeps a shadowed window on screen for a screenshot
// (SHADOW_DEMO_SECONDS, default 10).
TEST(Shadow, DISABLED_Demo) {
    auto png = ShadowPng();
    // A light backdrop behind, so the translucent black can be seen.
    TestWindow backdrop(800, 600);
    auto* backdropRoot = new TestContainer();
    backdropRoot->SetBkColor(0xFFF0F0F0);
    backdrop.pm().AttachDialog(backdropRoot);
    ::SetWindowPos(backdrop.hwnd(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    uitest::Flush(backdrop.hwnd());
    Owner owner;
    owner.root->SetBkColor(0xFF3070C0);
    owner.shadow->ShowShadow(true);
    owner.shadow->SetImage((L"file='" + png.path() + L"'").c_str());
    owner.shadow->SetShadowCorner(RECT{12, 12, 12, 12});
    owner.shadow->SetSize(12);
    owner.Attach();
    ::SetWindowPos(owner.window.hwnd(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const char* seconds = std::getenv("SHADOW_DEMO_SECONDS");
    uitest::PumpFor(static_cast<DWORD>((seconds ? std::atoi(seconds) : 10) * 1000));
}
