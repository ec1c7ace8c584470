#include "app/install_product.h"

#include "app/product.h"
#include "app/string_bundle.h"

InstallProduct MakeInstallProduct() {
    InstallProduct product;
    engine::ProductNames& names = product.names;
    names.product_key = PRODUCT_KEY;
    names.exe_name = EXE_NAME;
    names.client_name = CLIENT_NAME;
    names.company_name = COMPANY_NAME;
    names.company_url = COMPANY_URL;
    names.pkg_bit = PKG_BIT;
    product.version = PRODUCT_VERSION;
    product.uninstallText = UninstallLinkPrefix(GetStringBundle());
    product.otherLanguagesLinks = OtherLanguagesLinks(::GetModuleHandleW(nullptr), EXE_NAME);
    product.extractingText = GetString(L"INSTALL_1_TEXT");
    product.installingText = GetString(L"INSTALL_2_TEXT");
    product.startMenuStageText = GetString(L"INSTALL_CREATE_STARTMENU_SHORTCUT_TEXT");
    return product;
}
