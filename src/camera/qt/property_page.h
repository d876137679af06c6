// The cameras' property page: a modal Qt dialog generated from all of a
// camera's controls (sliders, check boxes, menus, buttons). Inactive controls
// are greyed and every control is read back after each change.
#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "camera/controls.h"

class QLabel;
class QWidget;

namespace ryk::qt {

class PropertyPage final : public QDialog {
 public:
  PropertyPage(const std::string& caption, std::shared_ptr<CameraControls> controls, QWidget* parent = nullptr);

  // Reads every control again and updates the widgets.
  void refresh();

 private:
  void change(std::uint32_t id, std::int32_t value, const std::string& name);

  std::shared_ptr<CameraControls> controls_;
  std::vector<std::pair<std::uint32_t, QWidget*>> widgets_;  // the editor of each control
  QLabel* message_ = nullptr;
};

// Makes ryk_ShowPropertyPage show PropertyPage on the GUI thread of the
// framework (the calling thread blocks until the dialog is closed).
void installPropertyPage();

}  // namespace ryk::qt
