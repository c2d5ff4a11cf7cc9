// Fixed facts about the product: its title, version, addresses and file name. Every part of the
// program may use them; they belong to none of its windows.
#pragma once

namespace product {

inline constexpr const char* kTitle = "JUX Zura Divudiv";
inline constexpr const char* kVersionText = "1.0";
inline constexpr int kVersionNumber = 10;  // ten times the dotted version
inline constexpr const char* kWebsite = "https://www.zuradivudiv.example/";
inline constexpr const char* kWebsiteHost = "www.zuradivudiv.example";
inline constexpr const char* kUpdateServer = "http://www.zuradivudiv.example";
inline constexpr const char* kExeName = "zivavavazezire";

}  // namespace product
