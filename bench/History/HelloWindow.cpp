// bench_hello_window: the anchor of the start-up figure. A Qt program that shows an empty
// window and does nothing else; it prints "window" when the window is first painted, then
// ends.

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

namespace {
class TFirstPaint : public QWidget {
protected:
    bool event(QEvent* event) override {
        const bool handled = QWidget::event(event);
        if (event->type() == QEvent::Paint) {
            std::fputs("window\n", stdout);
            std::fflush(stdout);
            std::_Exit(0);
        }
        return handled;
    }
};
} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    TFirstPaint window;
    window.setWindowTitle(QStringLiteral("Hello"));
    window.resize(400, 300);
    window.show();
    return application.exec();
}
