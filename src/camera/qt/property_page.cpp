#include "camera/qt/property_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QThread>
#include <QVBoxLayout>
#include <cstring>

#include "camera/library.h"
#include "shell/core/shell.h"
#include "shell/qt/qt_window_system.h"

namespace ryk::qt {

PropertyPage::PropertyPage(const std::string& caption, std::shared_ptr<CameraControls> controls, QWidget* parent)
    : QDialog(parent), controls_(std::move(controls)) {
  setWindowTitle(QString::fromStdString(caption));
  setModal(true);
  auto* outer = new QVBoxLayout(this);
  auto* area = new QScrollArea(this);
  area->setWidgetResizable(true);
  auto* inner = new QWidget(area);
  auto* grid = new QGridLayout(inner);
  int err = 0;
  int row = 0;
  for (const ControlDesc& d : controls_->list(&err)) {
    const QString name = QString::fromStdString(d.name);
    const std::uint32_t id = d.id;
    const std::string stdName = d.name;
    QWidget* editor = nullptr;
    QLabel* valueLabel = nullptr;
    switch (d.type) {
      case V4L2_CTRL_TYPE_BOOLEAN: {
        auto* box = new QCheckBox(name, inner);
        connect(box, &QCheckBox::toggled, this, [this, id, stdName](bool on) { change(id, on ? 1 : 0, stdName); });
        editor = box;
        grid->addWidget(box, row, 0, 1, 3);
        break;
      }
      case V4L2_CTRL_TYPE_MENU:
      case V4L2_CTRL_TYPE_INTEGER_MENU: {
        auto* combo = new QComboBox(inner);
        for (const auto& [index, label] : d.menu) combo->addItem(QString::fromStdString(label), index);
        connect(combo, &QComboBox::activated, this, [this, combo, id, stdName](int i) {
          change(id, combo->itemData(i).toInt(), stdName);
        });
        editor = combo;
        grid->addWidget(new QLabel(name, inner), row, 0);
        grid->addWidget(combo, row, 1, 1, 2);
        break;
      }
      case V4L2_CTRL_TYPE_BUTTON: {
        auto* button = new QPushButton(name, inner);
        connect(button, &QPushButton::clicked, this, [this, id, stdName] { change(id, 1, stdName); });
        editor = button;
        grid->addWidget(button, row, 0, 1, 3);
        break;
      }
      default: {
        auto* slider = new QSlider(Qt::Horizontal, inner);
        slider->setRange(d.minimum, d.maximum);
        slider->setSingleStep(d.step);
        slider->setPageStep(std::max(d.step, (d.maximum - d.minimum) / 10));
        valueLabel = new QLabel(inner);
        valueLabel->setMinimumWidth(48);
        valueLabel->setObjectName(QStringLiteral("value-%1").arg(id));
        connect(slider, &QSlider::valueChanged, valueLabel, [valueLabel](int v) { valueLabel->setNum(v); });
        // Written when the user lets go or steps with keys, not for every pixel dragged.
        connect(slider, &QSlider::sliderReleased, this, [this, slider, id, stdName] {
          change(id, slider->value(), stdName);
        });
        connect(slider, &QSlider::actionTriggered, this, [this, slider, id, stdName](int action) {
          if (action != QAbstractSlider::SliderMove)
            QMetaObject::invokeMethod(this, [this, slider, id, stdName] { change(id, slider->value(), stdName); },
                                      Qt::QueuedConnection);
        });
        editor = slider;
        grid->addWidget(new QLabel(name, inner), row, 0);
        grid->addWidget(slider, row, 1);
        grid->addWidget(valueLabel, row, 2);
        break;
      }
    }
    editor->setObjectName(QStringLiteral("control-%1").arg(id));
    widgets_.emplace_back(id, editor);
    ++row;
  }
  if (row == 0) grid->addWidget(new QLabel(tr("This camera has no controls."), inner), 0, 0);
  area->setWidget(inner);
  outer->addWidget(area);
  message_ = new QLabel(this);
  message_->setObjectName("message");
  message_->setWordWrap(true);
  outer->addWidget(message_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  outer->addWidget(buttons);
  resize(460, std::min(640, 90 + 34 * std::max(1, row)));
  refresh();
}

void PropertyPage::change(std::uint32_t id, std::int32_t value, const std::string& name) {
  const int err = controls_->write(id, value);
  message_->setText(err ? QStringLiteral("%1: %2").arg(QString::fromStdString(name), QString::fromLocal8Bit(std::strerror(err)))
                        : QString());
  refresh();  // automatic modes switch other controls on and off
}

void PropertyPage::refresh() {
  int err = 0;
  const std::vector<ControlDesc> list = controls_->list(&err);
  for (auto& [id, w] : widgets_) {
    auto it = std::find_if(list.begin(), list.end(), [id = id](const ControlDesc& d) { return d.id == id; });
    if (it == list.end()) {
      w->setEnabled(false);
      continue;
    }
    const QSignalBlocker block(w);
    w->setEnabled(!it->inactive && !it->readOnly);
    if (auto* s = qobject_cast<QSlider*>(w)) {
      s->setValue(it->value);
      if (auto* label = findChild<QLabel*>(QStringLiteral("value-%1").arg(id))) label->setNum(it->value);
    } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
      b->setChecked(it->value != 0);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      c->setCurrentIndex(c->findData(it->value));
    }
  }
}

void installPropertyPage() {
  setPropertyPageHandler([](int, const std::string& caption, std::shared_ptr<CameraControls> controls) -> int {
    auto run = [&]() -> int {
      PropertyPage page(caption, controls);
      page.exec();
      return 0;
    };
    if (auto* ws = dynamic_cast<rozoru::QtWindowSystem*>(rozoru::shell().windowSystem())) return ws->onGui(run);
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
      return run();
    return 2;  // no GUI thread to show it on
  });
}

}  // namespace ryk::qt
