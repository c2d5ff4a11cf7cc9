#include "app/update_gate.h"

#include <memory>
#include <string>
#include <vector>

#include "app/new_version_window.h"
#include "platform/win32/http_winhttp.h"
#include "platform/win32/services_win32.h"
#include "settings/settings.h"
#include "update/version_check.h"

namespace win {

namespace {

// The process environment, except that it creates no folders: the gate only looks for the
// settings file and must leave no trace when the process ends at the gate.
class LookOnlyEnvironment : public plat::IEnvironment {
 public:
  explicit LookOnlyEnvironment(plat::IEnvironment& inner) : inner_(inner) {}
  plat::DateTime LocalNow() override { return inner_.LocalNow(); }
  std::string DecimalSeparator() override { return inner_.DecimalSeparator(); }
  std::string Variable(const std::string& name) override { return inner_.Variable(name); }
  std::string ExeFolder() override { return inner_.ExeFolder(); }
  void CreateFolders(const std::string&) override {}
  bool FileExists(const std::string& path) override { return inner_.FileExists(path); }
  std::vector<std::string> ListFiles(const std::string& folder) override {
    return inner_.ListFiles(folder);
  }
  void RemoveFile(const std::string& path) override { inner_.RemoveFile(path); }

 private:
  plat::IEnvironment& inner_;
};

// The key `server` of section `Update`, or empty when there is none.
std::string ConfiguredServer() {
  try {
    Environment env;
    LookOnlyEnvironment lookOnly(env);
    Profile profile;
    std::string configured;
    if (profile.Read(settings::SettingsFilePathIn(lookOnly), update::kSettingsSection,
                     update::kSettingsServerKey, configured)) {
      return configured;
    }
  } catch (...) {
    // Like every other failure of the check: the maker's own server is asked.
  }
  return {};
}

}  // namespace

bool PassUpdateGate(HINSTANCE instance) {
  // What the check found lives as long as the process.
  static update::UpdateState state;
  const std::string server = update::UpdateServer(ConfiguredServer());
  {
    // Nothing needs to stay responsive yet: no window exists while the check runs.
    const std::unique_ptr<plat::IHttpClient> client = MakeWinHttpClient();
    if (!update::CheckForNewVersion(*client, server, state)) return true;
  }
  NewVersionWindow dialog(state, server);
  return dialog.ShowModal(instance) != 0;
}

}  // namespace win
