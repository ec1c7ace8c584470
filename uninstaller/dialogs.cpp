#include "uninstaller/dialogs.h"

#include "app/message_box.h"
#include "app/string_bundle.h"
#include "ui/base/paint_manager.h"

namespace {

constexpr int kSkinResourceId = 102;
constexpr int kResourceZipInMemory = 4;
constexpr UINT kOkNoQuestion = 0x24;
constexpr UINT kOkInformation = 0x100;
constexpr UINT kOkWarning = 0x30;

// The answer's text for an exit code; the leftovers follow on their own lines.
std::wstring ResultText(UninstallExit code) {
    switch (code) {
    case UNINSTALL_REMOVED: return GetString(L"UNINSTALL_DONE_TEXT");
    case UNINSTALL_AT_RESTART: return GetString(L"UNINSTALL_RESTART_TEXT");
    case UNINSTALL_PRODUCT_RUNNING: return GetString(L"UNINSTALL_RUNNING_TEXT");
    case UNINSTALL_BUSY: return GetString(L"UNINSTALL_BUSY_TEXT");
    default: return GetString(L"UNINSTALL_FAILED_TEXT");
    }
}

}  // namespace

bool LoadUninstallerSkin(HINSTANCE instance) {
    using Ulmar::CPaintManagerUI;
    CPaintManagerUI::SetInstance(instance);
    CPaintManagerUI::SetResourceType(kResourceZipInMemory);
    const std::wstring path = CPaintManagerUI::GetInstancePath() + L"skin_inst\\";
    CPaintManagerUI::SetResourcePath(path.c_str());
    const HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(kSkinResourceId), L"ZIPRES");
    const HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    const DWORD size = found ? ::SizeofResource(instance, found) : 0;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || !size) return false;
    CPaintManagerUI::SetResourceZip(bytes, size);
    return true;
}

bool ConfirmUninstall() {
    const std::wstring caption = GetString(L"UNINSTALL_CAPTION");
    const std::wstring text = GetString(L"UNINSTALL_CONFIRM_TEXT");
    return ShowMessageBox(nullptr, caption.c_str(), text.c_str(), kOkNoQuestion, GetString(L"OK").c_str(),
                          GetString(L"CANCEL").c_str()) == kMessageBoxOk;
}

void ShowUninstallResult(UninstallExit code, const engine::RemovalReport& report) {
    const std::wstring caption = GetString(L"UNINSTALL_CAPTION");
    std::wstring text = ResultText(code);
    // The paths alone: the labels of the standard output's listing are for scripts.
    for (const auto* list : {&report.running, &report.failed, &report.at_restart})
        for (const std::wstring& entry : *list) text += L"\r\n" + entry;
    ShowMessageBox(nullptr, caption.c_str(), text.c_str(), code == UNINSTALL_REMOVED ? kOkInformation : kOkWarning,
                   GetString(L"OK").c_str(), nullptr);
}
