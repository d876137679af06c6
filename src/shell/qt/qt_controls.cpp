// Native child controls of framework windows: push buttons, labels and
// one-line edit fields. Their input goes to the window's owner as Control
// messages; the window procedure decides what it means.
#include <QContextMenuEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "shell/core/windows.h"
#include "shell/qt/qt_window_system.h"

namespace rozoru {

namespace {

QString controlName(int id) { return QStringLiteral("ctl%1").arg(id); }

void postControl(Hwnd h, int id, std::int64_t notification, std::shared_ptr<const void> payload = {}) {
  windowTable().post(Message{h, Msg::Control, id, notification, 0, std::move(payload)});
}

std::shared_ptr<const void> textPayload(const QString& text) {
  return std::make_shared<const std::string>(text.toStdString());
}

class EditField final : public QLineEdit {
 public:
  EditField(Hwnd h, int id, QWidget* parent) : QLineEdit(parent), handle_(h), id_(id) {
    // The text travels with the notification: what was in the field when
    // it lost the focus, not what is there when the owner gets round to it.
    QObject::connect(this, &QLineEdit::returnPressed, this,
                     [this] { postControl(handle_, id_, ctl::Enter, textPayload(text())); });
  }

 protected:
  // The menu keys open the box's frame menu, not the field's edit menu.
  void keyPressEvent(QKeyEvent* e) override {
    if (frameMenuKey(e->key(), e->modifiers()))
      e->ignore();
    else
      QLineEdit::keyPressEvent(e);
  }
  void contextMenuEvent(QContextMenuEvent* e) override {
    if (e->reason() == QContextMenuEvent::Keyboard)
      e->ignore();
    else
      QLineEdit::contextMenuEvent(e);
  }
  void focusInEvent(QFocusEvent* e) override {
    QLineEdit::focusInEvent(e);
    postControl(handle_, id_, ctl::SetFocus);
  }
  void focusOutEvent(QFocusEvent* e) override {
    QLineEdit::focusOutEvent(e);
    postControl(handle_, id_, ctl::KillFocus, textPayload(text()));
  }

 private:
  Hwnd handle_;
  int id_;
};

// Watches a framework window that holds controls: paints its background in
// the dialog colour and reports which edge a resize moved.
class ControlHost final : public QObject {
 public:
  ControlHost(Hwnd h, QWidget* w) : QObject(w), handle_(h), lastFrame_(w->frameGeometry()) {}

  bool eventFilter(QObject* o, QEvent* e) override {
    auto* w = static_cast<QWidget*>(o);
    switch (e->type()) {
      case QEvent::Paint: {
        QPainter p(w);
        p.fillRect(w->rect(), w->palette().color(QPalette::Window));
        return true;
      }
      case QEvent::Move:
        // A plain move shifts the reference; during an edge drag the size
        // has already changed, and the Resize decides.
        if (w->frameGeometry().size() == lastFrame_.size()) lastFrame_ = w->frameGeometry();
        break;
      case QEvent::Resize: {
        const QRect now = w->frameGeometry();
        std::int64_t edge = sizing::Other;
        if (now.left() != lastFrame_.left() && now.right() == lastFrame_.right())
          edge = sizing::Left;
        else if (now.left() == lastFrame_.left())
          edge = sizing::Right;
        lastFrame_ = now;
        windowTable().post(Message{handle_, Msg::Sizing, edge, 0, 0, {}});
        break;
      }
      default:
        break;
    }
    return false;
  }

 private:
  Hwnd handle_;
  QRect lastFrame_;
};

QRect toQRect(const Rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

}  // namespace

bool QtWindowSystem::addControl(Hwnd h, ControlKind kind, int id, const Rect& r, const std::string& text) {
  return onGui([&] {
    QWidget* w = widget(h);
    if (!w) return false;
    if (!w->findChild<ControlHost*>(QString(), Qt::FindDirectChildrenOnly)) {
      w->setAttribute(Qt::WA_OpaquePaintEvent, false);
      w->installEventFilter(new ControlHost(h, w));
    }
    const QString qtext = QString::fromUtf8(text);
    QWidget* c = nullptr;
    switch (kind) {
      case ControlKind::Button: {
        auto* b = new QPushButton(qtext, w);
        // Keys stay with the window, whose procedure knows the key table.
        b->setFocusPolicy(Qt::NoFocus);
        QObject::connect(b, &QPushButton::clicked, b, [h, id] { postControl(h, id, ctl::Clicked); });
        c = b;
        break;
      }
      case ControlKind::Label:
        c = new QLabel(qtext, w);
        break;
      case ControlKind::Edit: {
        // Tab order follows creation among the fields.
        const auto fields = w->findChildren<EditField*>(QString(), Qt::FindDirectChildrenOnly);
        auto* e = new EditField(h, id, w);
        e->setText(qtext);
        if (!fields.isEmpty()) QWidget::setTabOrder(fields.back(), e);
        // Tab and Shift+Tab then go round the fields only.
        w->setFocusPolicy(Qt::NoFocus);
        c = e;
        break;
      }
    }
    c->setObjectName(controlName(id));
    c->setGeometry(toQRect(r));
    c->show();
    return true;
  });
}

void QtWindowSystem::setControlText(Hwnd h, int id, const std::string& text) {
  onGui([&] {
    QWidget* w = widget(h);
    QWidget* c = w ? w->findChild<QWidget*>(controlName(id), Qt::FindDirectChildrenOnly) : nullptr;
    const QString t = QString::fromUtf8(text);
    if (auto* b = qobject_cast<QPushButton*>(c))
      b->setText(t);
    else if (auto* l = qobject_cast<QLabel*>(c))
      l->setText(t);
    else if (auto* e = qobject_cast<QLineEdit*>(c))
      e->setText(t);
  });
}

std::string QtWindowSystem::controlText(Hwnd h, int id) {
  return onGui([&] {
    QWidget* w = widget(h);
    QWidget* c = w ? w->findChild<QWidget*>(controlName(id), Qt::FindDirectChildrenOnly) : nullptr;
    if (auto* b = qobject_cast<QPushButton*>(c)) return b->text().toStdString();
    if (auto* l = qobject_cast<QLabel*>(c)) return l->text().toStdString();
    if (auto* e = qobject_cast<QLineEdit*>(c)) return e->text().toStdString();
    return std::string();
  });
}

void QtWindowSystem::setControlRect(Hwnd h, int id, const Rect& r) {
  onGui([&] {
    QWidget* w = widget(h);
    if (QWidget* c = w ? w->findChild<QWidget*>(controlName(id), Qt::FindDirectChildrenOnly) : nullptr)
      c->setGeometry(toQRect(r));
  });
}

void QtWindowSystem::focusControl(Hwnd h, int id, bool selectAll) {
  onGui([&] {
    QWidget* w = widget(h);
    QWidget* c = w ? w->findChild<QWidget*>(controlName(id), Qt::FindDirectChildrenOnly) : nullptr;
    if (!c) return;
    c->setFocus(Qt::OtherFocusReason);
    if (auto* e = qobject_cast<QLineEdit*>(c); e && selectAll) e->selectAll();
  });
}

void QtWindowSystem::fixHeight(Hwnd h) {
  onGui([&] {
    if (QWidget* w = widget(h)) w->setFixedHeight(w->height());
  });
}

}  // namespace rozoru
