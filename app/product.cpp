#include "app/product.h"

#include "app/string_bundle.h"
#include "engine/payload/payload.h"
#include "win/version_info.h"

const std::wstring PRODUCT_KEY = L"Torvane3";
// The release file's version, as linked into the exe's version information: a
// repacked installer carries a new version in that resource alone.
const std::wstring PRODUCT_VERSION = win::ReadVersionString(GetModuleHandleW(nullptr), L"ProductVersion");
const std::wstring PKG_BIT = L"64";

const std::wstring CLIENT_NAME = GetString(L"ClientName");
const std::wstring EXE_NAME = GetString(L"ExeName");
const std::wstring COMPANY_NAME = GetString(L"CompanyName");
const std::wstring COMPANY_URL = GetString(L"CompanyUrl");

const std::wstring PAYLOAD_ARCHIVE_NAME = L"resource.7z";
const std::wstring SETTINGS_FILE_NAME = L"setting.cfg";
const std::wstring USERDATA_FILE_NAME = L"temp_userdata.txt";
const std::wstring UPDATER_FILE_NAME = L"updater.exe";
const std::wstring UNINSTALLER_FILE_NAME = L"Uninstall.exe";
const std::wstring MAIN_EXE_FILE_NAME = EXE_NAME + L".exe";

bool g_bSilent = false;
int32_t g_nExitCode = EXIT_INSTALLED;
CWnd_Main* g_pMainWnd = nullptr;
std::atomic<int32_t> g_bMainWndClosed{0};
