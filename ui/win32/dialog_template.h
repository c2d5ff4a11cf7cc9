// A dialog template built in memory (DLGTEMPLATE and its items), for the program's own modal
// dialogs: they are laid out in dialog units and take the dialog font.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace win {

class DialogTemplate {
 public:
  // The dialog itself, in "Segoe UI" 9 points, with `items` controls to follow.
  void Header(DWORD style, short cx, short cy, const std::wstring& caption, WORD items) {
    Align(4);
    DLGTEMPLATE t{};
    t.style = style;
    t.cdit = items;
    t.cx = cx;
    t.cy = cy;
    Raw(&t, sizeof t);
    Word(0);  // no menu
    Word(0);  // standard class
    String(caption);
    Word(9);
    String(L"Segoe UI");
  }
  // A control of a predefined class: 0x0080 button, 0x0081 edit, 0x0082 static.
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
            const std::wstring& text) {
    ItemHeader(style, x, y, cx, cy, id);
    Word(0xFFFF);
    Word(atom);
    ItemEnd(text);
  }
  // A control of a class named by its name, such as a common control.
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id,
            const std::wstring& className, const std::wstring& text) {
    ItemHeader(style, x, y, cx, cy, id);
    String(className);
    ItemEnd(text);
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(buf_.data()); }

 private:
  void ItemHeader(DWORD style, short x, short y, short cx, short cy, WORD id) {
    Align(4);
    DLGITEMTEMPLATE it{};
    it.style = style | WS_CHILD | WS_VISIBLE;
    it.x = x;
    it.y = y;
    it.cx = cx;
    it.cy = cy;
    it.id = id;
    Raw(&it, sizeof it);
  }
  void ItemEnd(const std::wstring& text) {
    String(text);
    Word(0);  // no creation data
  }
  void Raw(const void* p, size_t n) {
    const auto* b = static_cast<const BYTE*>(p);
    buf_.insert(buf_.end(), b, b + n);
  }
  void Word(WORD w) { Raw(&w, sizeof w); }
  void String(const std::wstring& s) { Raw(s.c_str(), (s.size() + 1) * sizeof(wchar_t)); }
  void Align(size_t a) {
    while (buf_.size() % a) buf_.push_back(0);
  }
  std::vector<BYTE> buf_;
};

}  // namespace win
