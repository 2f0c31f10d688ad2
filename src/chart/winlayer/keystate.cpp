#include "chart/winlayer/keystate.h"

#include <QGuiApplication>

#include <utility>

namespace kv::win {

namespace {

KeyStateSource& Source() {
    static KeyStateSource source;
    return source;
}

bool HeldNow(UINT vk) {
    const Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    switch (vk) {
    case VK_SHIFT: return m.testFlag(Qt::ShiftModifier);
    case VK_CONTROL: return m.testFlag(Qt::ControlModifier);
    case VK_MENU: return m.testFlag(Qt::AltModifier);
    default: return false;
    }
}

}  // namespace

short GetKeyState(UINT vk) {
    const bool held = Source() ? Source()(vk) : HeldNow(vk);
    return held ? short(0x8000) : short(0);
}

KeyStateSource SetKeyStateSource(KeyStateSource source) {
    return std::exchange(Source(), std::move(source));
}

}  // namespace kv::win
