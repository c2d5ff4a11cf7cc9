// Fixed facts about the product: its title, version, addresses and file name. Every part of the
// program may use them; they belong to none of its windows.
#pragma once

#include "product/version.h"

namespace product {

inline constexpr const char* kTitle = "JUX Zura Divudiv";
inline constexpr const char* kVersionText = ZD_VERSION_TEXT;
inline constexpr int kVersionNumber = ZD_VERSION_MAJOR * 10 + ZD_VERSION_MINOR;  // "1.0": 10
inline constexpr const char* kWebsite = "https://www.zuradivudiv.example/";
inline constexpr const char* kWebsiteHost = "www.zuradivudiv.example";
inline constexpr const char* kUpdateServer = "http://www.zuradivudiv.example";
inline constexpr const char* kExeName = "zivavavazezire";

}  // namespace product
