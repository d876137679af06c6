// The entry of every framework test program: Qt on its offscreen platform,
// then GoogleTest. Closing a test's last window must not end the application.
#include <gtest/gtest.h>

#include <QApplication>

#if defined(__SANITIZE_THREAD__)
#include <dlfcn.h>

extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);

// Qt is not built with ThreadSanitizer, and its event queue is locked with
// futexes TSan cannot see: a call posted to the GUI thread would look
// unsynchronised with what the poster did before. Posting releases the
// receiving object and delivering any event to it acquires it, which is the
// order Qt's queue really gives.
bool QMetaObject::invokeMethodImpl(QObject* object, QtPrivate::QSlotObjectBase* slot, Qt::ConnectionType type,
                                   void* ret) {
  using Real = bool (*)(QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*);
  static const auto real = reinterpret_cast<Real>(
      ::dlsym(RTLD_NEXT, "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv"));
  __tsan_release(object);
  return real(object, slot, type, ret);
}

namespace {
class Application : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    __tsan_acquire(receiver);
    return QApplication::notify(receiver, event);
  }
};
}  // namespace
#else
using Application = QApplication;
#endif

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  Application app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
