#pragma once
// The device paths of the present USB printer interfaces, in enumeration order (SetupAPI).

#include <string>
#include <vector>

std::vector<std::string> ListUsbPrinterPaths();
