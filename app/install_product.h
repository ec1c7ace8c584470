// The product names and texts the install worker needs, from the product
// constants and the string bundle: one place for the window and the headless driver.
#pragma once

#include "engine/pipeline/install_context.h"

InstallProduct MakeInstallProduct();
