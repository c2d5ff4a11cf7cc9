#include "settings/ini_value.h"

#include "ui/controls.h"

bool ParseIniInt(const std::string& text, int32_t& out) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    if (text.size() > 10) return false;
    uint32_t v = 0;
    for (size_t i = 2; i < text.size(); ++i) {
      const char c = text[i];
      uint32_t d;
      if (c >= '0' && c <= '9')
        d = static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        d = static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        d = static_cast<uint32_t>(c - 'A' + 10);
      else
        return false;
      v = (v << 4) | d;
    }
    out = static_cast<int32_t>(v);
    return true;
  }
  return ui::ParseDecimalInt(text, out);
}
