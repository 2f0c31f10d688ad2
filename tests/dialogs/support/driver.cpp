#include "dialogs/support/driver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace kvtest {

namespace {

void CloseEveryModal() {
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* m = QApplication::activeModalWidget();
        if (!m) return;
        if (auto* d = qobject_cast<QDialog*>(m))
            d->done(-1);
        else
            m->close();
    }
}

}  // namespace

int RunModal(PDialog& dlg, std::function<void()> script, int timeoutMs) {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [timeoutMs] {
        ADD_FAILURE() << "a modal dialog was still open after " << timeoutMs << " ms";
        CloseEveryModal();
    });
    watchdog.start(timeoutMs);
    QPointer<PDialog> guard(&dlg);
    QTimer::singleShot(0, &dlg, [guard, script] {
        if (guard && guard->isVisible() && script) script();
    });
    return dlg.Execute();
}

void OnNextModal(std::function<void(QWidget*)> f, int timeoutMs) {
    QPointer<QWidget> below = QApplication::activeModalWidget();
    auto* poll = new QTimer;
    poll->setInterval(10);
    auto left = std::make_shared<int>(timeoutMs / 10 + 1);
    QObject::connect(poll, &QTimer::timeout, [poll, below, f, left] {
        QWidget* top = QApplication::activeModalWidget();
        if (top && top != below.data() && top->isVisible()) {
            poll->stop();
            poll->deleteLater();
            f(top);
            return;
        }
        if (--*left <= 0) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
}

bool Activate(QWidget* w) {
    QWidget* window = w->window();
    if (!window->isVisible()) window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window, 2000);
}

void Click(PDialog& dlg, int id) {
    auto* b = dlg.Control<QAbstractButton>(id);
    ASSERT_NE(b, nullptr) << "no button " << id;
    b->click();
}

void TypeText(QWidget* w, const QString& text) {
    ASSERT_NE(w, nullptr);
    if (auto* c = qobject_cast<QComboBox*>(w); c && c->lineEdit()) w = c->lineEdit();
    QInputMethodEvent e;
    e.setCommitString(text);
    QCoreApplication::sendEvent(w, &e);
}

void PressKey(QWidget* w, int key, Qt::KeyboardModifiers mods) {
    ASSERT_NE(w, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QCoreApplication::sendEvent(w, &release);
}

}  // namespace kvtest
