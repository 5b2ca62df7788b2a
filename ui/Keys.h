#pragma once

class QKeyEvent;
class QPushButton;
class QWidget;

namespace fendix::ui {

// Enter or Return, pressed without a modifier (the keypad's Enter included).
bool IsEnterKey(const QKeyEvent* event) noexcept;

// Escape, pressed without a modifier.
bool IsEscapeKey(const QKeyEvent* event) noexcept;

// What Enter does in a window: it presses the enabled button of the window that has the
// focus, or else `fallback` (when it is enabled).
void PressFocusedButtonOr(const QWidget& window, QPushButton* fallback);

} // namespace fendix::ui
