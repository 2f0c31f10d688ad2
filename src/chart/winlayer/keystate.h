#pragma once
// The state of the modifier keys as a key or mouse handler reads it while it runs
// (GetKeyState): the high bit (0x8000) is set while the key is held. Answers
// VK_SHIFT, VK_CONTROL and VK_MENU; every other key reads as not held. Tests
// install a source of their own.

#include "chart/winlayer/keys.h"

#include <functional>

namespace kv::win {

short GetKeyState(UINT vk);

// Answers whether a key is held; empty: the keyboard's own state.
using KeyStateSource = std::function<bool(UINT vk)>;
KeyStateSource SetKeyStateSource(KeyStateSource source);

}  // namespace kv::win
