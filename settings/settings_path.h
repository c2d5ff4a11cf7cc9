// Where the settings file lives: "<APPDATA or the program's folder>\JUX Zura Divudiv\settings.ini".
#pragma once

#include <string>

#include "platform/platform.h"

// Computes the path and creates the folder (and any missing parents) on the way.
std::string SettingsFilePathIn(plat::IEnvironment& env);
