#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

namespace ui {

// Shows a window modally, on top of the others, and returns when it closes.
int showModal(QDialog& window);

// Puts a window in the middle of the screen.
void centreOnScreen(QWidget& window);

// The program's one instance of a window class: created once, into its
// global pointer, and remembered in creation order.
template <class Window> Window* createOnce(Window*& instance, QWidget* parent = nullptr);

// The object names of the windows made by createOnce, oldest first.
QStringList& createdWindows();

// Runs an event handler; an error it raises is shown in the error box (the
// program's standard error handler). False when it raised.
bool showingErrors(const std::function<void()>& handler);

template <class Window> Window* createOnce(Window*& instance, QWidget* parent) {
    if (!instance) {
        instance = new Window(parent);
        createdWindows() << instance->objectName();
    }
    return instance;
}

} // namespace ui
