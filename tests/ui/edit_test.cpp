// The edit box: its native edit window created on focus and closed when focus
// leaves, real typing (keys, Chinese characters, a 259-character path, a
// clipboard paste) kept in step with the control's text and notifications.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/ui/ui_test_support.h"
#include "ui/base/paint_manager.h"
#include "ui/controls/button.h"
#include "ui/controls/edit.h"

using namespace Ulmar;
using uitest::TestContainer;
using uitest::TestWindow;

namespace {

class Counter : public INotifyUI {
public:
    void Notify(TNotifyEvent& msg) override {
        if (msg.type == L"textchanged") ++textChanged;
        if (msg.type == L"return") ++returns;
    }
    int textChanged = 0;
    int returns = 0;
};

struct Scene {
    TestWindow window{300, 100};
    TestContainer* root = new TestContainer();
    CEditUI* edit = new CEditUI();
    CButtonUI* button = new CButtonUI();
    Counter counter;

    explicit Scene(const wchar_t* attributes = L"") {
        root->SetBkColor(0xFFF0F0F0);
        edit->ApplyAttributeList(L"pos=\"10,10,290,40\"");
        edit->ApplyAttributeList(attributes);
        button->ApplyAttributeList(L"pos=\"10,50,100,90\" text=\"OK\"");
        root->Add(edit);
        root->Add(button);
        window.pm().AddNotifier(&counter);
        ::SetCursorPos(1000, 900);
        window.pm().AttachDialog(root);
        ::SetForegroundWindow(window.hwnd());
        uitest::Flush(window.hwnd());
    }
    ~Scene() { window.pm().RemoveNotifier(&counter); }
};

void ClickAt(HWND hwnd, int x, int y) {
    POINT pt = {x, y};
    ::ClientToScreen(hwnd, &pt);
    ::SetCursorPos(pt.x, pt.y);
    uitest::PumpFor(30);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, inputs, sizeof(INPUT));
    uitest::PumpFor(100);
}

// Types text as real key events (one unicode key press per character).
void Type(const std::wstring& text) {
    // In short bursts: a long one outruns the input queue under Wine.
    if (text.size() > 16) {
        for (size_t i = 0; i < text.size(); i += 16) Type(text.substr(i, 16));
        return;
    }
    std::vector<INPUT> inputs;
    for (wchar_t ch : text) {
        INPUT down = {};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = ch;
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags |= KEYEVENTF_KEYUP;
        inputs.push_back(down);
        inputs.push_back(up);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    uitest::PumpFor(150);
}

void Keys(std::initializer_list<WORD> down) {
    std::vector<INPUT> inputs;
    for (WORD vk : down) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        inputs.push_back(in);
    }
    for (auto it = down.end(); it != down.begin();) {
        --it;
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    uitest::PumpFor(150);
}

std::wstring Text(CEditUI* edit) { return edit->GetText().GetData(); }

}  // namespace

TEST(Edit, ClickCreatesTheNativeWindowAndTypingFollowsWithNotifications) {
    Scene scene;
    ClickAt(scene.window.hwnd(), 50, 25);
    HWND native = scene.edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    wchar_t cls[32] = {};
    ::GetClassNameW(native, cls, 32);
    EXPECT_EQ(L"EditWnd", std::wstring(cls));
    EXPECT_EQ(native, ::GetFocus());

    Type(L"abc");
    EXPECT_EQ(L"abc", Text(scene.edit));
    EXPECT_EQ(3, scene.counter.textChanged);
    Keys({VK_BACK});
    EXPECT_EQ(L"ab", Text(scene.edit));
    Keys({VK_RETURN});
    EXPECT_EQ(1, scene.counter.returns);
    EXPECT_EQ(L"ab", Text(scene.edit)) << "a single-line edit keeps no line break";

    ClickAt(scene.window.hwnd(), 50, 70);
    EXPECT_TRUE(uitest::PumpUntil([&] { return scene.edit->GetNativeWindow() == nullptr; }, 2000))
        << "focus left: the native window closes";
    EXPECT_FALSE(::IsWindow(native));
    EXPECT_EQ(L"ab", Text(scene.edit));
}

TEST(Edit, ChineseTextAndA259CharacterPathAreKeptWhole) {
    Scene scene(L"maxchar=\"300\"");
    ClickAt(scene.window.hwnd(), 50, 25);
    ASSERT_NE(nullptr, scene.edit->GetNativeWindow());
    const std::wstring chinese = L"\u5B89\u88C5\u5230\u6B64\u5904";
    Type(chinese);
    EXPECT_EQ(chinese, Text(scene.edit));

    Keys({VK_SHIFT, VK_HOME});  // select what was typed; the path replaces it
    std::wstring path = L"C:\\Program Files\\";
    while (path.size() < 259) path += static_cast<wchar_t>(L'a' + path.size() % 26);
    ASSERT_EQ(259u, path.size());
    Type(path);
    EXPECT_EQ(path, Text(scene.edit));
}

TEST(Edit, DefaultMaxCharStopsTypingAt255) {
    Scene scene;
    ClickAt(scene.window.hwnd(), 50, 25);
    Type(std::wstring(260, L'x'));
    EXPECT_EQ(255, scene.edit->GetText().GetLength());
}

TEST(Edit, PasteFromTheClipboardAndCopyBack) {
    Scene scene;
    const std::wstring pasted = L"D:\\\u8F6F\u4EF6\\Torvane";
    ASSERT_TRUE(::OpenClipboard(scene.window.hwnd()));
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
    ASSERT_NE(nullptr, memory);
    std::memcpy(::GlobalLock(memory), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_UNICODETEXT, memory);
    ::CloseClipboard();

    ClickAt(scene.window.hwnd(), 50, 25);
    Keys({VK_CONTROL, 'V'});
    EXPECT_EQ(pasted, Text(scene.edit));
    EXPECT_GE(scene.counter.textChanged, 1);
}

TEST(Edit, SetTextWhileEditingReachesTheNativeWindow) {
    Scene scene(L"password=\"true\" tipvalue=\"hint\"");
    ClickAt(scene.window.hwnd(), 50, 25);
    HWND native = scene.edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    EXPECT_NE(0, ::GetWindowLongPtrW(native, GWL_STYLE) & ES_PASSWORD);
    scene.edit->SetText(L"secret");
    wchar_t buffer[32] = {};
    ::GetWindowTextW(native, buffer, 32);
    EXPECT_EQ(L"secret", std::wstring(buffer));
}
