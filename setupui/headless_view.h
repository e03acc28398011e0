// A DialogView without a window system: it keeps each control's state, so the
// dialogs' behaviour runs (and is tested) anywhere.
#pragma once

#include <map>

#include "dialog_view.h"

namespace quarvel {

class HeadlessView : public DialogView {
 public:
  struct Control {
    bool visible = true;  // the templates show every control
    bool enabled = true;
    std::string text;
    std::vector<std::string> items;
    int selection = -1;
    std::array<uint8_t, 4> address{};
  };

  void Show(int id, bool visible) override { controls_[id].visible = visible; }
  void Enable(int id, bool enabled) override { controls_[id].enabled = enabled; }
  void SetText(int id, std::string_view text) override { controls_[id].text = std::string(text); }
  std::string Text(int id) override { return controls_[id].text; }
  void AddItem(int id, std::string_view text) override { controls_[id].items.emplace_back(text); }
  void Select(int id, int index) override {
    Control& c = controls_[id];
    c.selection = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
  }
  int Selection(int id) override { return controls_[id].selection; }
  void SetAddress(int id, const std::array<uint8_t, 4>& octets) override { controls_[id].address = octets; }
  std::array<uint8_t, 4> Address(int id) override { return controls_[id].address; }

  Control& operator[](int id) { return controls_[id]; }
  bool Visible(int id) { return controls_[id].visible; }
  // The selected entry's text, "" when none.
  std::string SelectedText(int id) {
    const Control& c = controls_[id];
    return c.selection >= 0 ? c.items[static_cast<size_t>(c.selection)] : std::string();
  }

 private:
  std::map<int, Control> controls_;
};

}  // namespace quarvel
